// A folder's tree as the fault tests compare it: each entry by its name
// relative to the folder, with its kind, its mode and its bytes or link
// target; the import lock left out.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>

namespace faulttest {

using Tree = std::map<std::string, std::string>;

Tree treeOf(const std::filesystem::path& root);

// The entries of the folder `name` at the tree's top, the folder's own included.
Tree folderOf(const Tree& tree, const std::string& name);

// What differs from `expected`, by name at the top: "+name" only in the
// tree, "-name" only in expected, "~name" changed.
std::string differences(const Tree& tree, const Tree& expected);

// The text with the random part of the importer's temporary names made X.
std::string withoutRandomParts(std::string text);

// A fingerprint of the tree in which those random parts count for nothing,
// in names and in bytes alike.
std::size_t fingerprint(const Tree& tree);

// Makes `to` a copy of the folder `from` whose files are hard links to the
// originals; the import lock is made anew, so that no lock held on the
// original is held on the copy.
void linkCopy(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace faulttest
