#include "platform/text/RTFDCodec.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

// Every file of the fuzz corpora gives a clean result or a clean error.
namespace {

void replay(const QString& folder, const std::function<bool(const QByteArray&, QString*)>& read) {
    const QDir dir(QStringLiteral(JOBSLATE_FIXTURES "/../fuzz/corpus/") + folder);
    const QStringList names = dir.entryList(QDir::Files);
    EXPECT_FALSE(names.isEmpty()) << dir.path().toStdString();
    for (const QString& name : names) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QString error;
        if (!read(f.readAll(), &error)) {
            EXPECT_FALSE(error.isEmpty()) << name.toStdString();
        }
    }
}

} // namespace

TEST(FuzzCorpus, RTFReader) {
    replay(QStringLiteral("rtf"),
           [](const QByteArray& data, QString* error) { return RTFCodec::read(data, error).has_value(); });
}

TEST(FuzzCorpus, FlattenedRTFDReader) {
    replay(QStringLiteral("rtfd"),
           [](const QByteArray& data, QString* error) { return RTFDCodec::read(data, error).has_value(); });
}
