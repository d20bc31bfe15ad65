#include "support/picture_corpus.h"

#include <cctype>

#include <QFile>
#include <QStringList>
#include <QTextStream>

void PrintTo(const CorpusRow& row, std::ostream* os)
{
    *os << row.file << " (" << row.expected << ")";
}

QString corpusPath(const std::string& file)
{
    return QStringLiteral(PLATTERA_TEST_DATA "/pictures/") + QString::fromStdString(file);
}

std::vector<CorpusRow> corpusManifest()
{
    QFile manifest(corpusPath("MANIFEST.tsv"));
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text))
        return {{"MANIFEST.tsv (unreadable)", "", "", {}}};
    std::vector<CorpusRow> rows;
    QTextStream in(&manifest);
    in.readLine(); // the column names
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().split(QLatin1Char('\t'));
        if (fields.size() >= 5)
            rows.push_back({fields[0].toStdString(), fields[1].toStdString(),
                            fields[3].toStdString(), fields[4]});
    }
    return rows;
}

QByteArray readCorpusFile(const std::string& file)
{
    QFile in(corpusPath(file));
    if (in.open(QIODevice::ReadOnly))
        return in.readAll();
    ADD_FAILURE() << "corpus file missing or unreadable: " << corpusPath(file).toStdString();
    return QByteArray();
}

std::string corpusRowName(const testing::TestParamInfo<CorpusRow>& info)
{
    std::string name = std::to_string(info.index) + "_" + info.param.file;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}
