// The search side of FileSystem::FindFirst (not for callers): a pattern split
// into folder and name, the entries of a host folder as the device lists
// them, and which of them a name matches.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PathMapper.h"

namespace inkvista::listing {

// ERROR_SUCCESS with the pattern's folder and its last component (which may
// hold wildcards), or the error FindFirst fails with.
uint32_t SplitPattern(std::u16string_view pattern, std::u16string_view* folder,
                      std::u16string_view* last);

struct Candidate {
    std::u16string name;
    std::string leaf;                 // the host name inside the listed folder
    std::filesystem::path mountHost;  // instead, for a mount listed in the root

    std::filesystem::path Host(const std::filesystem::path& dir) const {
        return leaf.empty() ? mountHost : dir / leaf;
    }
};

// The entries of a host folder in case-insensitive name order (stable, as
// NTFS lists them); in the root, the mounts stand in place of entries of
// their name. With `foldersOnly`, entries the listing itself shows to be
// something else are left out without asking for their status, and
// `anyEntry` tells whether the folder held any entry at all. False with
// errno in `err` when the folder cannot be listed. A wildcard `keep` leaves
// out, before sorting, the entries Matches would not take for it.
bool ListCandidates(const std::filesystem::path& dir, const PathMapper& mapper, bool foldersOnly,
                    std::vector<Candidate>* all, bool* anyEntry, int* err,
                    std::u16string_view keep = {});

// What a last component matches: every entry for a wildcard pattern ("*.*"
// also takes names without a dot); for an exact name one entry, the same
// spelling if present, else the first that differs only in case.
std::vector<const Candidate*> Matches(const std::vector<Candidate>& all, std::u16string_view last);

}  // namespace inkvista::listing
