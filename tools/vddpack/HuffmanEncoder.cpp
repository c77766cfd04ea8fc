#include "HuffmanEncoder.h"

#include <algorithm>
#include <queue>

#include "BitWriter.h"

namespace {

// Plain Huffman code lengths (unlimited) for the symbols with a nonzero frequency.
void huffmanLengths(const std::vector<uint32_t>& freq, std::vector<int>& depth) {
  struct Node {
    uint64_t weight;
    int left;
    int right;
  };
  std::vector<Node> nodes;
  using Item = std::pair<uint64_t, int>;  // (weight, node index); ties by index keep it stable
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  std::vector<int> leafOf;
  for (size_t s = 0; s < freq.size(); ++s) {
    if (freq[s] > 0) {
      queue.push({freq[s], static_cast<int>(nodes.size())});
      nodes.push_back({freq[s], -1, static_cast<int>(s)});
    }
  }
  while (queue.size() > 1) {
    Item a = queue.top();
    queue.pop();
    Item b = queue.top();
    queue.pop();
    queue.push({a.first + b.first, static_cast<int>(nodes.size())});
    nodes.push_back({a.first + b.first, a.second, b.second});
  }
  depth.assign(freq.size(), 0);
  if (nodes.empty()) {
    return;
  }
  // Walk from the root; a leaf has left == -1 and its symbol in right.
  std::vector<std::pair<int, int>> stack{{static_cast<int>(nodes.size()) - 1, 0}};
  while (!stack.empty()) {
    auto [index, d] = stack.back();
    stack.pop_back();
    const Node& n = nodes[static_cast<size_t>(index)];
    if (n.left < 0) {
      depth[static_cast<size_t>(n.right)] = d;
    } else {
      stack.push_back({n.left, d + 1});
      stack.push_back({n.right, d + 1});
    }
  }
}

}  // namespace

void HuffmanEncoder::build(const std::vector<uint32_t>& frequencies, int maxLength) {
  std::vector<uint32_t> freq = frequencies;
  int used = static_cast<int>(std::count_if(freq.begin(), freq.end(), [](uint32_t f) { return f > 0; }));
  for (size_t s = 0; s < freq.size() && used < 2; ++s) {
    if (freq[s] == 0) {
      freq[s] = 1;
      ++used;
    }
  }
  std::vector<int> depth;
  for (;;) {
    huffmanLengths(freq, depth);
    if (*std::max_element(depth.begin(), depth.end()) <= maxLength) {
      break;
    }
    // Too deep: flatten the distribution and try again (rarely more than two rounds).
    for (uint32_t& f : freq) {
      if (f > 0) {
        f = (f >> 1) | 1u;
      }
    }
  }
  std::vector<uint8_t> lengths(freq.size());
  for (size_t s = 0; s < freq.size(); ++s) {
    lengths[s] = static_cast<uint8_t>(depth[s]);
  }
  setLengths(lengths);
}

void HuffmanEncoder::setLengths(const std::vector<uint8_t>& lengths) {
  _lengths = lengths;
  assignCodes();
}

void HuffmanEncoder::assignCodes() {
  int count[kMaxLength + 1] = {};  // count[0] stays 0: absent symbols take no code space
  for (uint8_t l : _lengths) {
    if (l > 0 && l <= kMaxLength) {
      ++count[l];
    }
  }
  uint32_t next[kMaxLength + 1] = {};
  uint32_t code = 0;
  for (int l = 1; l <= kMaxLength; ++l) {
    code = (code + static_cast<uint32_t>(count[l - 1])) << 1;
    next[l] = code;
  }
  _codes.assign(_lengths.size(), 0);
  for (size_t s = 0; s < _lengths.size(); ++s) {
    int l = _lengths[s];
    if (l > 0 && l <= kMaxLength) {
      _codes[s] = next[l]++;
    }
  }
}

