// A little-endian byte buffer for the demo organ's binary files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

struct ByteWriter {
    std::vector<std::uint8_t> bytes;

    ByteWriter& u8(std::uint8_t value)
    {
        bytes.push_back(value);
        return *this;
    }
    ByteWriter& u16(std::uint16_t value) { return u8(value & 0xFF).u8(value >> 8); }
    ByteWriter& u32(std::uint32_t value) { return u16(value & 0xFFFF).u16(value >> 16); }
    ByteWriter& tag(const char (&fourCharacters)[5])
    {
        bytes.insert(bytes.end(), fourCharacters, fourCharacters + 4);
        return *this;
    }

    bool save(const std::filesystem::path& path) const
    {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(file);
    }
};
