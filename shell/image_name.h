// Matching a process entry's image name against a wanted name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace selvaro {

// The name held in a fixed-size name field: its characters before the first NUL. Whatever an
// earlier, longer name left behind that NUL is not part of it.
inline std::string_view EntryName(const char* field, std::size_t size) {
    const std::string_view all(field, size);
    return all.substr(0, all.find('\0'));
}

// True when both names are equal once lower-cased with the given mapping: no directory,
// extension or blank is added, stripped or ignored.
template <typename LowerCase>
bool SameImageName(std::string_view entryName, std::string_view wanted, LowerCase lowerCase) {
    return lowerCase(std::string(entryName)) == lowerCase(std::string(wanted));
}

}  // namespace selvaro
