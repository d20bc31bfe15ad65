// plattera-tag-reader: the tags of the audio files named on standard input, one line each on
// standard output (tracklists/tag_protocol.h). TagLib runs here and nowhere in the program: the
// program starts this reader in a child process with limits on memory and time, so a file that
// crashes, hangs or exhausts the tag library costs this process and not the window.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

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

// The cover pictures embedded in a file: the one typed as the front cover, else one typed
// "other", which many taggers write for the cover; and the one typed as the back cover.
class EmbeddedCovers {
public:
    static constexpr int kOther = 0;
    static constexpr int kFront = 3;
    static constexpr int kBack = 4;

    void take(int type, const TagLib::ByteVector& data)
    {
        if (data.isEmpty() || data.size() > kMaxEmbeddedPictureBytes)
            return;
        if (type == kFront && m_front.isEmpty())
            m_front = data;
        else if (type == kBack && m_back.isEmpty())
            m_back = data;
        else if (type == kOther && m_other.isEmpty())
            m_other = data;
    }
    const TagLib::ByteVector& front() const { return m_front.isEmpty() ? m_other : m_front; }
    const TagLib::ByteVector& back() const { return m_back; }

private:
    TagLib::ByteVector m_front, m_back, m_other;
};

void takeId3Pictures(EmbeddedCovers& covers, TagLib::ID3v2::Tag* tag)
{
    if (!tag)
        return;
    for (TagLib::ID3v2::Frame* frame : tag->frameList("APIC"))
        if (const auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
            covers.take(int(picture->type()), picture->picture());
}

void takeFlacPictures(EmbeddedCovers& covers, const TagLib::List<TagLib::FLAC::Picture*>& list)
{
    for (const TagLib::FLAC::Picture* picture : list)
        covers.take(int(picture->type()), picture->data());
}

// Each format keeps its pictures its own way: FLAC in PICTURE blocks, Ogg in
// METADATA_BLOCK_PICTURE comments, MP3 and WAVE in ID3 APIC frames, MP4 in the covr atom
// (untyped: the first is the front).
EmbeddedCovers embeddedCovers(TagLib::File& file)
{
    EmbeddedCovers covers;
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(&file)) {
        takeFlacPictures(covers, flac->pictureList());
        if (flac->hasXiphComment())
            takeFlacPictures(covers, flac->xiphComment()->pictureList());
    } else if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(&file)) {
        takeId3Pictures(covers, mpeg->ID3v2Tag());
    } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(&file)) {
        takeId3Pictures(covers, wav->ID3v2Tag());
    } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(&file)) {
        if (mp4->tag() && mp4->tag()->contains("covr")) {
            const TagLib::MP4::CoverArtList art = mp4->tag()->item("covr").toCoverArtList();
            if (!art.isEmpty())
                covers.take(EmbeddedCovers::kFront, art.front().data());
        }
    } else if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file.tag())) {
        takeFlacPictures(covers, xiph->pictureList());
    }
    return covers;
}

// The pictures last sent, so that an album's cover, the same in every track, crosses once.
struct SentPictures {
    TagLib::ByteVector front, back;
};

std::string base64Unless(const TagLib::ByteVector& picture, TagLib::ByteVector& sent)
{
    if (picture.isEmpty() || picture == sent)
        return {};
    sent = picture;
    const TagLib::ByteVector encoded = picture.toBase64();
    return std::string(encoded.data(), encoded.size());
}

// Where the comment and the cover pictures of a FLAC file are, found in one buffered pass over
// its metadata blocks. TagLib seeks and reads again for every block header, which for millions
// of empty PADDING blocks (no encoder writes more than a few) costs seconds; past kManyBlocks
// the tags are taken from these blocks instead. The walk ends at the last block or the file's
// end; an ID3v2 tag before the stream, which some taggers write, is stepped over as TagLib does.
class FlacBlocks {
public:
    static constexpr std::size_t kManyBlocks = 1024;

    explicit FlacBlocks(int fd) : m_fd(fd), m_buffer(1 << 20)
    {
        long long offset = 0;
        const unsigned char* header = bytesAt(0, 10);
        if (header && std::string(reinterpret_cast<const char*>(header), 3) == "ID3") {
            // Its size is four 7-bit bytes, then a footer of ten when the flags say so.
            offset = 10 +
                ((header[6] & 0x7f) << 21 | (header[7] & 0x7f) << 14 | (header[8] & 0x7f) << 7 |
                 (header[9] & 0x7f)) +
                ((header[5] & 0x10) ? 10 : 0);
        }
        header = bytesAt(offset, 4);
        if (!header || std::string(reinterpret_cast<const char*>(header), 4) != "fLaC")
            return;
        for (offset += 4; (header = bytesAt(offset, 4)); ++m_count) {
            const bool last = header[0] & 0x80;
            const int type = header[0] & 0x7f;
            const long long length = (header[1] << 16) | (header[2] << 8) | header[3];
            if (type == kComment && m_comment.isEmpty()) {
                m_comment = block(offset + 4, length);
            } else if (type == kPicture &&
                       length <= static_cast<long long>(kMaxEmbeddedPictureBytes) + 4096) {
                // Taken at once: a file of thousands of pictures keeps only its covers.
                const TagLib::FLAC::Picture picture(block(offset + 4, length));
                m_covers.take(int(picture.type()), picture.data());
            }
            offset += 4 + length;
            if (last)
                break;
        }
    }

    std::size_t count() const { return m_count; }
    const TagLib::ByteVector& comment() const { return m_comment; }
    const EmbeddedCovers& covers() const { return m_covers; }

private:
    static constexpr int kComment = 4;
    static constexpr int kPicture = 6;

    // `count` bytes at `offset` from the buffer, refilled when they are not in it; null past
    // the end of the file.
    const unsigned char* bytesAt(long long offset, std::size_t count)
    {
        if (offset < m_start || offset + static_cast<long long>(count) > m_start + m_filled) {
            const ssize_t got = ::pread(m_fd, m_buffer.data(), m_buffer.size(), offset);
            m_start = offset;
            m_filled = got > 0 ? got : 0;
            if (static_cast<long long>(count) > m_filled)
                return nullptr;
        }
        return m_buffer.data() + (offset - m_start);
    }

    TagLib::ByteVector block(long long offset, long long length)
    {
        TagLib::ByteVector data(static_cast<unsigned int>(length), 0);
        const ssize_t got = ::pread(m_fd, data.data(), std::size_t(length), offset);
        return got == length ? data : TagLib::ByteVector();
    }

    int m_fd;
    std::vector<unsigned char> m_buffer;
    long long m_start = 0;
    long long m_filled = 0;
    std::size_t m_count = 0;
    TagLib::ByteVector m_comment;
    EmbeddedCovers m_covers;
};

TagRecord failure(std::string reason)
{
    TagRecord record;
    record.problem = std::move(reason);
    return record;
}

TagRecord recordOf(const TagLib::PropertyMap& properties, const EmbeddedCovers& covers,
                   SentPictures& sent)
{
    const auto value = [&](const char* key, unsigned int longest = kMaxTitleLength) {
        const auto found = properties.find(key);
        if (found == properties.end() || found->second.isEmpty())
            return std::string();
        // TagLib's strings are UTF-16: a cut between the halves of a pair would leave text
        // that has no UTF-8, and the whole value would be lost.
        const TagLib::String& text = found->second.front();
        unsigned int length = std::min(text.size(), longest);
        if (length < text.size() && text[length - 1] >= 0xd800 && text[length - 1] <= 0xdbff)
            --length;
        return text.substr(0, length).to8Bit(true);
    };
    TagRecord record;
    record.title = value("TITLE");
    record.artist = value("ARTIST");
    record.albumArtist = value("ALBUMARTIST");
    record.album = value("ALBUM");
    record.disc = value("DISCNUMBER", 16);
    record.track = value("TRACKNUMBER", 16);
    record.frontPicture = base64Unless(covers.front(), sent.front);
    record.backPicture = base64Unless(covers.back(), sent.back);
    return record;
}

// The tags of a FLAC file with more metadata blocks than TagLib walks quickly.
TagRecord flacRecordOf(const FlacBlocks& blocks, SentPictures& sent)
{
    const TagLib::Ogg::XiphComment comment(blocks.comment());
    return recordOf(comment.properties(), blocks.covers(), sent);
}

TagRecord readTags(const std::string& path, SentPictures& sent)
{
    RegularFile file(path.c_str());
    if (!file.isOpen())
        return failure(file.problem());
    const std::string extension = lowerExtension(path);
    if (std::find(kAudioExtensions.begin(), kAudioExtensions.end(), extension) ==
        kAudioExtensions.end())
        return failure("not an audio file the program reads");
    const int fd = file.release();
    if (extension == "flac") {
        const FlacBlocks blocks(fd);
        if (blocks.count() > FlacBlocks::kManyBlocks) {
            ::close(fd);
            return flacRecordOf(blocks, sent);
        }
    }
    // Read-only: the stream never asks for write access, which a FIFO or a file watcher would
    // notice. It closes the descriptor.
    TagLib::FileStream stream(fd, true);
    const std::unique_ptr<TagLib::File> tagged = openTagged(extension, &stream);
    if (!tagged)
        return failure("not a ." + extension + " file");
    if (!tagged->isValid())
        return failure("its tags cannot be read");
    return recordOf(tagged->properties(), embeddedCovers(*tagged), sent);
}

// Each file gets the same CPU time, however long the files before it took: the soft limit is
// moved on before each file, under the hard limit the program set for the whole child.
void allowCpuSeconds(rlim_t seconds)
{
    rlimit limit {};
    rusage used {};
    if (seconds == 0 || ::getrlimit(RLIMIT_CPU, &limit) != 0 ||
        ::getrusage(RUSAGE_SELF, &used) != 0)
        return;
    const rlim_t spent = rlim_t(used.ru_utime.tv_sec + used.ru_stime.tv_sec) + 1;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? spent + seconds
                                                     : std::min(limit.rlim_max, spent + seconds);
    ::setrlimit(RLIMIT_CPU, &limit);
}

} // namespace

// The one argument is the CPU seconds each file may take (none: no limit of its own).
int main(int argc, char** argv)
{
    const rlim_t cpuSecondsPerFile = argc > 1 ? rlim_t(std::strtoul(argv[1], nullptr, 10)) : 0;
    std::fwrite(kTagReaderReady.data(), 1, kTagReaderReady.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
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
    SentPictures sent;
    for (std::size_t start = 0, end; (end = input.find('\0', start)) != std::string::npos;
         start = end + 1) {
        TagRecord record;
        allowCpuSeconds(cpuSecondsPerFile);
        try {
            record = readTags(input.substr(start, end - start), sent);
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
