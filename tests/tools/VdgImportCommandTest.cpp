// The vdgimport command line, run in process: exit codes of bad command lines and bad input
// (nothing written), the files of a good import and the summary, and two imported scenes whose
// morph data files do not clash.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "GltfTestFile.h"
#include "TempDir.h"
#include "VdgImportCommand.h"

namespace fs = std::filesystem;

namespace {

struct ImportRun {
  int code;
  std::string out;
  std::string err;
};

std::string readBack(std::FILE* f) {
  std::rewind(f);
  std::string s;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) s.append(buffer, n);
  std::fclose(f);
  return s;
}

ImportRun vdgimport(const std::vector<std::string>& args) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int code = VdgImportCommand(out, err).run(args);
  return {code, readBack(out), readBack(err)};
}

// A textured quad whose morph weight is animated.
GltfTestFile morphingQuad() {
  GltfTestFile file;
  const int positions = file.addFloats({-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0}, "VEC3");
  const int uvs = file.addFloats({0, 1, 1, 1, 1, 0, 0, 0}, "VEC2");
  const int offsets = file.addFloats({0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}, "VEC3");
  const int indices = file.addIndices({0, 1, 2, 0, 2, 3});
  file.add("images", "{\"bufferView\":" +
                         std::to_string(file.addView(GltfTestFile::png(1, 1, {10, 20, 30, 255}))) +
                         ",\"mimeType\":\"image/png\"}");
  file.add("textures", "{\"source\":0}");
  file.add("materials", "{\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}");
  file.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(positions) +
                         ",\"TEXCOORD_0\":" + std::to_string(uvs) + "},\"indices\":" + std::to_string(indices) +
                         ",\"material\":0,\"targets\":[{\"POSITION\":" + std::to_string(offsets) + "}]}]}");
  file.add("nodes", "{\"mesh\":0,\"name\":\"flag\"}");
  const int input = file.addFloats({0, 1}, "SCALAR");
  const int output = file.addFloats({0, 1}, "SCALAR");
  file.add("animations", "{\"name\":\"wave\",\"samplers\":[{\"input\":" + std::to_string(input) + ",\"output\":" +
                             std::to_string(output) +
                             "}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":0,\"path\":\"weights\"}}]}");
  return file;
}

struct CommandLineCase {
  std::vector<std::string> args;
  int code;
};

class VdgImportCommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(VdgImportCommandLineTest, ExitCode) {
  TempDir dir(true);
  ASSERT_TRUE(morphingQuad().write(dir.path() + "/in.gltf"));
  const ImportRun o = vdgimport(GetParam().args);
  EXPECT_EQ(o.code, GetParam().code) << o.err;
  if (o.code == 2) {
    EXPECT_NE(o.err.find("usage: vdgimport"), std::string::npos);
  }
  if (o.code != 0) {
    EXPECT_FALSE(fs::exists(dir.path() + "/out/data/scenes/in.vdg"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VdgImportCommandLineTest,
    ::testing::Values(CommandLineCase{{}, 2}, CommandLineCase{{"--help"}, 0}, CommandLineCase{{"in.gltf"}, 2},
                      CommandLineCase{{"--rate", "7", "in.gltf", "out"}, 2},
                      CommandLineCase{{"--scale", "-1", "in.gltf", "out"}, 2},
                      CommandLineCase{{"--name", "a/b", "in.gltf", "out"}, 2},
                      CommandLineCase{{"--bogus", "in.gltf", "out"}, 2}, CommandLineCase{{"in.obj", "out"}, 2},
                      CommandLineCase{{"missing.gltf", "out"}, 1},
                      CommandLineCase{{"--animation", "none", "in.gltf", "out"}, 1},
                      CommandLineCase{{"--rate", "50", "--animation", "wave", "in.gltf", "out"}, 0}));

TEST(VdgImportCommandTest, WritesSceneMorphDataAndPicturesWithASummary) {
  TempDir dir(true);
  ASSERT_TRUE(morphingQuad().write(dir.path() + "/in.glb"));
  const ImportRun o = vdgimport({"--name", "first", "in.glb", "out"});
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_TRUE(fs::exists("out/data/scenes/first.vdg"));
  EXPECT_TRUE(fs::exists("out/data/textures/first_0.png"));
  // 1 s at 25 frames per second: 26 frames of 4 positions and 4 normals after the frame count.
  EXPECT_EQ(fs::file_size("out/data/scenes/morphdata_first.flag.vmd"), 4u + 26 * 4 * 24);
  EXPECT_NE(o.out.find("imported: animation 'wave': 26 frames"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("imported: 1 meshes with 2 triangles"), std::string::npos) << o.out;
  EXPECT_NE(o.err.find("warning: no camera"), std::string::npos) << o.err;

  // A second scene from the same file keeps its own morph data; -q prints nothing.
  const ImportRun quiet = vdgimport({"-q", "in.glb", "out"});
  ASSERT_EQ(quiet.code, 0) << quiet.err;
  EXPECT_EQ(quiet.out, "");
  EXPECT_TRUE(fs::exists("out/data/scenes/morphdata_in.flag.vmd"));
  EXPECT_TRUE(fs::exists("out/data/scenes/morphdata_first.flag.vmd"));
}

TEST(VdgImportCommandTest, BadInputNamesTheFileAndLeavesNothing) {
  TempDir dir(true);
  dir.write("broken.gltf", "{\"asset\":{\"version\":\"2.0\"},\"nodes\":[{\"children\":[0]}]}");
  const ImportRun o = vdgimport({"broken.gltf", "out"});
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("broken.gltf: node 'node0'"), std::string::npos) << o.err;
  EXPECT_FALSE(fs::exists("out/data/scenes/broken.vdg"));
}

}  // namespace
