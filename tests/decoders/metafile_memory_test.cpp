#include <sys/resource.h>

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include "decoders/decode_result.h"

using namespace plattera;

namespace {

constexpr char kChild[] = "PLATTERA_TEST_METAFILE_MEMORY";

// Tiny files whose headers claim a 14000 x 14000 picture at the page's 600 dpi.
QByteArray tinyEmf()
{
    QByteArray emf(88, '\0');
    const auto put = [&emf](int at, qint32 v) {
        for (int i = 0; i < 4; ++i)
            emf[at + i] = char(v >> (8 * i));
    };
    put(0, 1), put(4, 88), put(36 - 4, 59267), put(36, 59267); // EMR_HEADER, frame in 0.01 mm
    put(16, 14000), put(20, 14000), put(40, 0x464D4520), put(44, 0x10000), put(48, 108);
    put(72, 1024), put(76, 768), put(80, 320), put(84, 240);
    return emf +
        QByteArray::fromHex("0e000000140000000000000010000000"
                            "14000000");
}

// libuemf's header reader wants some bytes past the EOF record.
QByteArray tinyWmf()
{
    return QByteArray(16, '\0').prepend(QByteArray::fromHex("d7cdc69a0000"
                                                            "00000000b036b036"
                                                            "5802"
                                                            "00000000"
                                                            "4955"
                                                            "010009000003"
                                                            "0c000000"
                                                            "0000"
                                                            "03000000"
                                                            "0000"
                                                            "030000000000"));
}

long maxResidentKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Peak memory only grows, so each file is decoded in a fresh child process with nothing
// drawn before it, and its growth is what the decode cost.
TEST(MetafileMemory, TinyFileClaimingHugeFrameCostsNoMoreThanALargePhoto)
{
    for (const char* format : {"emf", "wmf"}) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(kChild), QLatin1String(format));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_also_run_disabled_tests"),
                     QStringLiteral("--gtest_filter=MetafileMemory.DISABLED_DecodeInChild")});
        ASSERT_TRUE(child.waitForFinished(120000)) << format;
        const QByteArray output = child.readAll();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test"))
            << format << ": " << output.toStdString();
    }
}

TEST(MetafileMemory, DISABLED_DecodeInChild)
{
    const QString format = qEnvironmentVariable(kChild);
    ASSERT_FALSE(format.isEmpty()) << "run by TinyFileClaimingHugeFrameCostsNoMoreThanALargePhoto";
    const long before = maxResidentKiB();
    const DecodeResult result =
        format == QLatin1String("emf") ? decodeEmf(tinyEmf(), 600) : decodeWmf(tinyWmf(), 600);
    const long grownMiB = (maxResidentKiB() - before) / 1024;
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    EXPECT_EQ(result->image.size(),
              QSize(kMaxMetafileHeight, kMaxMetafileHeight)); // square, as claimed
    // The 2900 x 2900 picture holds 32 MiB; the claimed 14000 x 14000 would hold 748 MiB.
    EXPECT_LT(grownMiB, 160) << format.toStdString();
}

} // namespace
