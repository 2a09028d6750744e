// The value of the extended attribute "user.DOSATTRIB", where Samba and Wine
// keep a file's DOS attributes on a Linux file system. It comes in two forms:
//
// text    "0x" and the attributes in hex ("0x22"), with or without a
//         terminating NUL, as Wine and old Samba write it.
// record  Samba's NDR record, little-endian, aligned from the start of the
//         value: the same hex text and its NUL (the text is empty from
//         version 4 on), zero padding to an even offset, the version (u16),
//         the version again as the tag of the info that follows (u16), zero
//         padding to a multiple of 4, then the info of that version:
//           1  attrib, ea_size, size, alloc_size, create_time, change_time
//           2  flags, attrib, ea_size, size, alloc_size, create_time,
//              change_time, write_time, name (NUL-terminated)
//           3  valid_flags, attrib, ea_size, size, alloc_size, create_time,
//              change_time
//           4  valid_flags, attrib, itime, create_time
//           5  valid_flags, attrib, create_time
//         valid_flags, flags, attrib and ea_size are u32, sizes and times
//         u64. Bit 0x1 of valid_flags marks attrib as set. Samba reads
//         attrib whatever the flags say, and writes version 5 with an empty
//         text.
//
// These functions only look at bytes; reading and writing the attribute is
// the file system's business.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace inkvista {

// The attribute bits `value` holds. An empty value holds none. nullopt when
// the value is in neither form: bad hex, or a record that is cut short, has
// mismatched version tags or a version not listed above.
std::optional<uint32_t> DecodeDosAttrib(std::span<const uint8_t> value);

// `value` with the bits of `mask` set as in `attributes`, in the form it had:
// every other bit and every other field (times, sizes, a record's name and
// anything after its info) stay as they were; a record's text follows the new
// bits unless it was empty, and a text keeps or leaves out its NUL. A record
// gets the valid_flags bit for attrib. An empty result is a text whose bits
// are all clear: the attribute is better removed. nullopt when DecodeDosAttrib
// cannot read `value`; such a value is not ours to replace.
std::optional<std::vector<uint8_t>> UpdateDosAttrib(std::span<const uint8_t> value,
                                                    uint32_t attributes, uint32_t mask);

// The text for a file without a value: "0x" and `attributes` in lower-case
// hex, without NUL.
std::vector<uint8_t> EncodeDosAttribText(uint32_t attributes);

}  // namespace inkvista
