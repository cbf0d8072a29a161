// A folder's tree as the fault tests compare it (see folder_tree.h).
#include "folder_tree.h"

#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <set>

namespace faulttest {

namespace fs = std::filesystem;

namespace {

constexpr const char* lockName = ".velmara-import.lock";

// The prefixes after which the importer's temporary names have six random characters.
constexpr const char* randomAfter[] = {".velmara-import-", "velmara-import-kept-", ".org."};
constexpr std::size_t randomLength = 6;

std::string topName(const std::string& name) { return name.substr(0, name.find('/')); }

std::string bytesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes(fs::file_size(file), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

}  // namespace

std::string withoutRandomParts(std::string text)
{
    for (const std::string prefix : randomAfter)
        for (std::size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1))
            text.replace(at + prefix.size(), std::min(randomLength, text.size() - at - prefix.size()), randomLength,
                         'X');
    return text;
}

Tree treeOf(const fs::path& root)
{
    Tree tree;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().lexically_relative(root).generic_string();
        if (name == lockName) continue;
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        const std::string mode = std::to_string(info.st_mode) + ":";
        if (entry.is_symlink()) {
            tree[name] = mode + fs::read_symlink(entry.path()).string();
        } else if (entry.is_regular_file()) {
            tree[name] = mode + bytesOf(entry.path());
        } else {
            tree[name] = mode;
        }
    }
    return tree;
}

Tree folderOf(const Tree& tree, const std::string& name)
{
    Tree folder;
    if (const auto own = tree.find(name); own != tree.end()) folder.insert(*own);
    const std::string inside = name + "/";
    for (auto entry = tree.lower_bound(inside); entry != tree.end() && entry->first.starts_with(inside); ++entry)
        folder.insert(*entry);
    return folder;
}

std::string differences(const Tree& tree, const Tree& expected)
{
    std::set<std::string> names;
    for (const Tree* side : {&tree, &expected})
        for (const auto& entry : *side) names.insert(topName(entry.first));
    std::string listed;
    for (const std::string& name : names) {
        const Tree got = folderOf(tree, name), wanted = folderOf(expected, name);
        if (got == wanted) continue;
        listed += std::string(listed.empty() ? "" : " ") + (wanted.empty() ? "+" : got.empty() ? "-" : "~") + name;
    }
    return listed;
}

std::size_t fingerprint(const Tree& tree)
{
    std::size_t print = tree.size();
    for (const auto& [name, content] : tree)
        for (const std::string& part : {name, content})
            print = print * 31 + std::hash<std::string>{}(withoutRandomParts(part));
    return print;
}

void linkCopy(const fs::path& from, const fs::path& to)
{
    fs::create_directory(to, from);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from)) {
        const fs::path copy = to / entry.path().lexically_relative(from);
        if (entry.is_symlink())
            fs::copy_symlink(entry.path(), copy);
        else if (entry.is_directory())
            fs::create_directory(copy, entry.path());
        else if (entry.path().filename() == lockName)
            fs::copy_file(entry.path(), copy);
        else
            fs::create_hard_link(entry.path(), copy);
    }
}

}  // namespace faulttest
