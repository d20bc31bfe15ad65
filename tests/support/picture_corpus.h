#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

// The picture corpus in tests/data/pictures: real files from other projects' test suites, and
// what reading each must give (its MANIFEST.tsv).
struct CorpusRow {
    std::string file;     // from the corpus folder: "bmp/bmpsuite-g_pal8.bmp"
    std::string format;   // bmp, ico, gif, jpeg, wmf or emf
    std::string expected; // "WxH", "error" or "either"
    QString note;
};

void PrintTo(const CorpusRow& row, std::ostream* os);

QString corpusPath(const std::string& file);

// The manifest's rows. When it cannot be read, one row naming it stands in, so that every
// suite built on the rows fails instead of running nothing.
std::vector<CorpusRow> corpusManifest();

// The file's bytes; a file that cannot be read fails the running test.
QByteArray readCorpusFile(const std::string& file);

// A test name made of the row's index and file.
std::string corpusRowName(const testing::TestParamInfo<CorpusRow>& info);
