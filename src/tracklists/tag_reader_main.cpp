// plattera-tag-reader: the tags of the audio files named on standard input, one line each on
// standard output (tracklists/tag_protocol.h). TagLib runs here and nowhere in the program: the
// program starts this reader in a child process with limits on memory and time, so a file that
// crashes, hangs or exhausts the tag library costs this process and not the window.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <unistd.h>

#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include "tracklists/regular_file.h"
#include "tracklists/tag_protocol.h"
#include "tracklists/title_length.h"

namespace {

using namespace plattera;

// More names than any drop holds; the program sends at most a few hundred at a time.
constexpr std::size_t kMaxInputBytes = 64 << 20;

std::string lowerExtension(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

// The tag reader for the file's extension, once the start of the file shows that format (each
// isSupported reads a few bytes at the start). Without that check the MPEG reader walks a file
// of zeros byte by byte looking for a frame, about a minute per gigabyte. Audio properties are
// not read: they are not needed, and working them out walks the file too.
std::unique_ptr<TagLib::File> openTagged(const std::string& extension, TagLib::IOStream* stream)
{
    TagLib::ID3v2::FrameFactory* frames = TagLib::ID3v2::FrameFactory::instance();
    if (extension == "mp3" && TagLib::MPEG::File::isSupported(stream))
        return std::make_unique<TagLib::MPEG::File>(stream, frames, false);
    if (extension == "flac" && TagLib::FLAC::File::isSupported(stream))
        return std::make_unique<TagLib::FLAC::File>(stream, frames, false);
    if (extension == "m4a" && TagLib::MP4::File::isSupported(stream))
        return std::make_unique<TagLib::MP4::File>(stream, false);
    if (extension == "wav" && TagLib::RIFF::WAV::File::isSupported(stream))
        return std::make_unique<TagLib::RIFF::WAV::File>(stream, false);
    if (extension == "ogg" || extension == "oga" || extension == "opus") {
        // The extension does not say which codec an Ogg file holds.
        if (TagLib::Ogg::Vorbis::File::isSupported(stream))
            return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, false);
        if (TagLib::Ogg::Opus::File::isSupported(stream))
            return std::make_unique<TagLib::Ogg::Opus::File>(stream, false);
        if (TagLib::Ogg::FLAC::File::isSupported(stream))
            return std::make_unique<TagLib::Ogg::FLAC::File>(stream, false);
    }
    return nullptr;
}

TagRecord failure(std::string reason)
{
    TagRecord record;
    record.problem = std::move(reason);
    return record;
}

TagRecord readTags(const std::string& path)
{
    RegularFile file(path.c_str());
    if (!file.isOpen())
        return failure(file.problem());
    const std::string extension = lowerExtension(path);
    if (std::find(kAudioExtensions.begin(), kAudioExtensions.end(), extension) ==
        kAudioExtensions.end())
        return failure("not an audio file the program reads");
    // Read-only: the stream never asks for write access, which a FIFO or a file watcher would
    // notice. It closes the descriptor.
    TagLib::FileStream stream(file.release(), true);
    const std::unique_ptr<TagLib::File> tagged = openTagged(extension, &stream);
    if (!tagged)
        return failure("not a ." + extension + " file");
    if (!tagged->isValid())
        return failure("its tags cannot be read");
    const TagLib::PropertyMap properties = tagged->properties();
    const auto value = [&](const char* key, unsigned int longest = kMaxTitleLength) {
        const auto found = properties.find(key);
        if (found == properties.end() || found->second.isEmpty())
            return std::string();
        return found->second.front().substr(0, longest).to8Bit(true);
    };
    TagRecord record;
    record.title = value("TITLE");
    record.artist = value("ARTIST");
    record.albumArtist = value("ALBUMARTIST");
    record.album = value("ALBUM");
    record.disc = value("DISCNUMBER", 16);
    record.track = value("TRACKNUMBER", 16);
    return record;
}

} // namespace

int main()
{
    std::string input;
    char buffer[65536];
    for (ssize_t got; (got = ::read(STDIN_FILENO, buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return 1;
        input.append(buffer, std::size_t(got));
        if (input.size() > kMaxInputBytes)
            return 1;
    }
    for (std::size_t start = 0, end; (end = input.find('\0', start)) != std::string::npos;
         start = end + 1) {
        TagRecord record;
        try {
            record = readTags(input.substr(start, end - start));
        } catch (const std::bad_alloc&) {
            record = failure("its tags ask for more memory than the reader may take");
        } catch (const std::exception& e) {
            record = failure(e.what());
        }
        const std::string line = encodeTagRecord(record);
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }
    return 0;
}
