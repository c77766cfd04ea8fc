#pragma once
// Reads a PNG file into 8-bit RGB pixels, rows from the top; empty on failure.
#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> readPngRgb(const std::string& path, int* width, int* height);
