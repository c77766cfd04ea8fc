#pragma once
// The program reads its data from data.vdd: tests that run it pack their data/ folder first.
#include <string>

// Packs folder/data into folder/data.vdd with the program's password (vddpack from the build);
// true on success. Call again after changing a file: the pack is written anew.
bool packShowData(const std::string& folder);
