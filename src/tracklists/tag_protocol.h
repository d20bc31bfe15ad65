#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace plattera {

// How the program and plattera-tag-reader talk. The program writes the files' names on the
// reader's standard input, each ended by a NUL byte (names are bytes and need not be UTF-8);
// the reader first says kTagReaderReady on a line of its own, once it runs, then answers with one line per file on its standard output, in the same order:
//
//   tags TAB title TAB artist TAB album artist TAB album TAB disc TAB track TAB front TAB back LF
//   error TAB reason LF
//
// Values are UTF-8; a backslash and every byte below 0x20 are written as \xHH, so that no value
// holds a TAB or a line end. Disc and track are as the tags write them ("2", "2/3"). Front and
// back are the cover pictures embedded in the file, the encoded picture file in Base64, empty
// when there is none or when it is the one the reader sent last (an album's tracks mostly
// carry the same cover, which then crosses once).
struct TagRecord {
    std::string problem; // why the file gave no tags; empty when it did
    std::string title;
    std::string artist;
    std::string albumArtist;
    std::string album;
    std::string disc;
    std::string track;
    std::string frontPicture; // Base64
    std::string backPicture;  // Base64
};

// The reader's first line (without its LF): a child that ends before it never ran.
inline constexpr std::string_view kTagReaderReady = "ready";

// The line for a record, LF included.
std::string encodeTagRecord(const TagRecord& record);
// The record a line (without its LF) holds; nothing when it is not one.
std::optional<TagRecord> decodeTagRecord(std::string_view line);

// The largest embedded picture the reader sends; a bigger one is passed over. Covers are a few
// hundred KiB; a scan at print resolution a few MiB.
inline constexpr std::size_t kMaxEmbeddedPictureBytes = 8 << 20;
// The most one line may take. The reader cuts each text to a title's length and sends two
// pictures at most, which keeps a line below this; the program stops a reader that writes more.
inline constexpr std::size_t kMaxTagRecordBytes = 24 << 20;

// The audio files the reader knows, by extension (lower case).
inline constexpr std::array<std::string_view, 7> kAudioExtensions = {"flac", "ogg", "oga", "opus",
                                                                     "mp3",  "m4a", "wav"};

} // namespace plattera
