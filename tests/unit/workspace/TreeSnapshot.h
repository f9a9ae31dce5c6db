#pragma once

#include <map>
#include <string>
#include <vector>

namespace brivane::test {

// Everything under a directory (type, mode, content or link target), except
// one subtree, so a test can tell whether anything else was touched.
std::map<std::string, std::string> SnapshotTree(const std::string& root, const std::string& except = "");

// Symbolic links under root that lead outside it.
std::vector<std::string> LinksLeadingOutside(const std::string& root);

}  // namespace brivane::test
