// Helpers for end-to-end runs: a private copy of the generated data set to run the game in.
#pragma once

#include <string>
#include <vector>

// Makes a fresh directory whose base/ and textures/ link to the generated data set, except
// base/menu.inf and base/career.inf, which are copied so the run may rewrite them. Returns its path.
std::string MakeRunDirectory(const std::string& name);
std::vector<unsigned char> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
