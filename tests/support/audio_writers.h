#pragma once

#include <QByteArray>
#include <QList>

// Audio files whose tags nest as deep as asked, made byte by byte: the shapes that overflow a
// tag library's stack when deep (tens of thousands of levels) and read plainly when shallow.

// An .m4a whose moov atom holds `depth` udta atoms each inside the one before.
QByteArray nestedAtomsM4a(int depth);

// An .mp3: an ID3v2.4 tag with `depth` CHAP frames each inside the one before, then three MPEG
// audio frames of silence.
QByteArray nestedChaptersMp3(int depth);

// An .m4a with no audio whose iTunes tags hold one cover, a PNG, in their covr atom.
QByteArray m4aWithCover(const QByteArray& png);

// A .flac without audio: STREAMINFO, a Vorbis comment holding `comments` ("TITLE=..." each),
// the front cover when one is given, then `paddingBlocks` empty PADDING blocks and one more, the
// shape that makes a tag library walk one block header at a time.
QByteArray paddedFlac(const QList<QByteArray>& comments, int paddingBlocks,
                      const QByteArray& frontCover = {});
