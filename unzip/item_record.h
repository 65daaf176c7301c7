#pragma once
// The parts of an item record that the ZIP format does not hand over ready
// made: Windows attribute bits from the external attributes, and file times
// from the DOS stamp and from the "UT" extended-timestamp extra block.
// Plain arithmetic; no platform calls.
#include <cstdint>

#include "unzip/file_seam.h"

// Windows file-attribute bits used by the reader.
constexpr uint32_t kAttributeReadOnly = 0x01;
constexpr uint32_t kAttributeHidden = 0x02;
constexpr uint32_t kAttributeSystem = 0x04;
constexpr uint32_t kAttributeFolder = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;
constexpr uint32_t kAttributeNormal = 0x80;

// Maps the 32-bit external attributes of a directory record. The host byte
// of "version made by" is not consulted: the upper half is read as a Unix mode
// (bit 30 folder, bit 23 owner-write) and the lower byte as DOS bits, so an
// archive made on Windows (upper half zero) yields read-only items.
uint32_t mapExternalAttributes(uint32_t external);

// Converts a DOS stamp (date in the upper 16 bits, time in the lower) field
// for field, taking the wall-clock value as UTC. Answers false, and a zero
// time, when the fields do not form a valid date and time.
bool dosStampToFileTime(uint32_t dosStamp, FileTime* time);

// The file time of a count of seconds since 1970-01-01 00:00:00 UTC.
// Negative counts (before 1970) convert too.
FileTime unixSecondsToFileTime(int32_t seconds);

// Searches a local extra field for the first "UT" block and replaces the
// times it carries (flag bit 0 write, bit 1 access, bit 2 creation, in that
// order, in consecutive 4-byte slots). A time whose slot would reach beyond
// the field is not taken. The search stops after the first "UT" block.
void applyExtendedTimestamp(const uint8_t* extra, uint32_t length, FileTime* writeTime,
                            FileTime* accessTime, FileTime* creationTime);
