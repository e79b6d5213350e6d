#include "platform/PlistCodec.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QVariantMap sampleOfEveryKind() {
    return QVariantMap{
        {"bool", true},
        {"false", false},
        {"int", 42},
        {"negative", -7},
        {"int64", qint64(5000000000LL)},
        {"real", 2.5},
        {"wholeReal", 3.0},
        {"string", QString::fromUtf8("caf\xc3\xa9 <&> \xf0\x9f\x93\x8e")},
        {"data", QByteArray("\x00\x01\x02\xff", 4)},
        {"emptyData", QByteArray("")},
        {"date", QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::UTC)},
        {"list", QVariantList{1, "two", QVariantMap{{"three", 3.5}}, QVariantList{}}},
        {"dict", QVariantMap{{"nested", QVariantMap{{"deep", QString("x")}}}, {"empty", QVariantMap{}}}},
    };
}

QByteArray readFixture(const char* name) {
    QFile file(QStringLiteral(JOBSLATE_FIXTURES "/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

} // namespace

TEST(PlistCodec, RoundTripKeepsEveryKindApart) {
    const QVariantMap original = sampleOfEveryKind();
    for (auto format : {PlistCodec::Format::Xml, PlistCodec::Format::Binary}) {
        QByteArray bytes;
        ASSERT_TRUE(PlistCodec::encode(original, &bytes, format));
        const QVariantMap back = PlistCodec::decode(bytes).toMap();
        EXPECT_EQ(back, original);
        EXPECT_EQ(back["int"].metaType().id(), QMetaType::Int);
        EXPECT_EQ(back["int64"].metaType().id(), QMetaType::LongLong);
        EXPECT_EQ(back["wholeReal"].metaType().id(), QMetaType::Double);
        EXPECT_EQ(back["bool"].metaType().id(), QMetaType::Bool);
        EXPECT_EQ(back["date"].toDateTime(), original["date"].toDateTime());
    }
}

TEST(PlistCodec, WritesTheStandardXmlForm) {
    const QByteArray xml = PlistCodec::toXml(QVariantMap{{"b", 1}, {"a", QVariantList{true}}});
    EXPECT_TRUE(
        xml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC "
                       "\"-//Apple//DTD PLIST 1.0//EN\" "
                       "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n"));
    EXPECT_TRUE(xml.contains(
        "\t<key>a</key>\n\t<array>\n\t\t<true/>\n\t</array>\n\t<key>b</key>\n\t<integer>1</integer>"))
        << xml.constData();
}

TEST(PlistCodec, ReadsHandWrittenXmlFixture) {
    const QVariantMap map = PlistCodec::decode(readFixture("foundation/card-macos.plist")).toMap();
    EXPECT_EQ(map["title"].toString(), "Groceries");
    EXPECT_EQ(map["identifier"].toLongLong(), 4294967297LL);
    EXPECT_EQ(map["negative"].toInt(), -12);
    EXPECT_DOUBLE_EQ(map["frame.origin.y"].toDouble(), -33.25);
    EXPECT_EQ(map["frame.size.width"].metaType().id(), QMetaType::Double);
    EXPECT_EQ(map["created"].toDateTime(), QDateTime(QDate(2019, 3, 4), QTime(5, 6, 7), Qt::UTC));
    EXPECT_EQ(map["preview"].toByteArray(),
              QByteArray("Hello, world! This is a wrapped base64 block that runs over more than one line."));
    EXPECT_EQ(map["hidden"], QVariant(false));
    const QVariantList objects = map["system.objects"].toList();
    ASSERT_EQ(objects.size(), 2);
    EXPECT_EQ(objects[0].toMap()["title"].toString(), QString::fromUtf8("Caf\xc3\xa9 & cr\xc3\xa8me"));
}

TEST(PlistCodec, RefusesValuesWithoutPropertyListForm) {
    QByteArray out;
    QString error;
    EXPECT_FALSE(PlistCodec::encode(QVariantMap{{"p", QPoint(1, 2)}}, &out, PlistCodec::Format::Xml, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(PlistCodec::isPropertyListValue(QVariant()));
}

TEST(PlistCodec, MalformedInputGivesCleanError) {
    QByteArray xml, binary;
    ASSERT_TRUE(PlistCodec::encode(sampleOfEveryKind(), &xml));
    ASSERT_TRUE(PlistCodec::encode(sampleOfEveryKind(), &binary, PlistCodec::Format::Binary));
    // Every truncation of both forms: a value or an error, never a crash.
    for (const QByteArray& whole : {xml, binary})
        for (qsizetype n = 0; n < whole.size(); n += 3) (void)PlistCodec::decode(whole.left(n));

    QString error;
    const QList<QByteArray> cases{"",
                                  "garbage",
                                  "<plist><dict><key>a</key></dict></plist>",
                                  "<plist><integer>12x</integer></plist>",
                                  "<plist><data>@@@</data></plist>",
                                  "<plist><date>not a date</date></plist>",
                                  QByteArray("<plist>") + QByteArray(100000, '[').replace("[", "<array>") +
                                      "</plist>",
                                  QByteArray("bplist00") + QByteArray(64, '\xff')};
    for (const QByteArray& bytes : cases) (void)PlistCodec::decode(bytes, &error);
    EXPECT_FALSE(PlistCodec::decode("garbage", &error).isValid());
    EXPECT_FALSE(error.isEmpty());

    QRandomGenerator random(1234);
    for (int i = 0; i < 300; ++i) {
        QByteArray noise(static_cast<qsizetype>(random.bounded(1, 400)), '\0');
        for (char& c : noise) c = static_cast<char>(random.bounded(256));
        if (i % 2) noise.prepend("bplist00");
        (void)PlistCodec::decode(noise);
        // flip bytes of a valid file too
        QByteArray damaged = (i % 3 ? xml : binary);
        for (int k = 0; k < 5; ++k)
            damaged[random.bounded(static_cast<int>(damaged.size()))] =
                static_cast<char>(random.bounded(256));
        (void)PlistCodec::decode(damaged);
    }
}

TEST(PlistCodec, ReplaysTheFuzzCorpus) {
    const QDir corpus(QStringLiteral(JOBSLATE_FIXTURES "/../fuzz/corpus/plist"));
    const QStringList files = corpus.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString error;
        const QVariant value = PlistCodec::decode(file.readAll(), &error);
        EXPECT_TRUE(value.isValid() || !error.isEmpty()) << name.toStdString();
    }
}

TEST(PlistCodec, RefusesNulCharacters) {
    for (const char* xml :
         {"<plist><string>a&#0;b</string></plist>", "<plist><string>a&#x00;b</string></plist>"})
        EXPECT_FALSE(PlistCodec::decode(xml).isValid()) << xml;
    EXPECT_FALSE(PlistCodec::decode(QByteArray("<plist><string>a\0b</string></plist>", 34)).isValid());
    EXPECT_EQ(PlistCodec::decode("<plist><string>a&#10;b</string></plist>").toString(), "a\nb");
    for (const char* name : {"nul-string.bplist", "nul-key.bplist"})
        EXPECT_FALSE(PlistCodec::decode(readFixture((QByteArray("../fuzz/corpus/plist/") + name).constData()))
                         .isValid())
            << name;
    // Nor can a NUL be written: refused rather than cut short.
    QByteArray out;
    EXPECT_FALSE(PlistCodec::encode(QVariantMap{{"k", QString::fromUtf8("a\0b", 3)}}, &out));
    EXPECT_FALSE(PlistCodec::encode(QVariantMap{{QString::fromUtf8("k\0", 2), 1}}, &out));
}

TEST(PlistCodec, BinaryListsAreCheckedBeforeParsing) {
    struct Case {
        const char* file;
        bool valid;
    };
    const Case cases[] = {
        {"deep-chain.bplist", false},      // deeper than the parser may go
        {"self-containing.bplist", false}, // an array that holds itself
        {"diamond.bplist", false},         // shared arrays that expand to 2^60 values
        {"shared-string.bplist", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlistCodec::decode(readFixture((QByteArray("../fuzz/corpus/plist/") + c.file).constData()))
                      .isValid(),
                  c.valid)
            << c.file;
    EXPECT_EQ(PlistCodec::decode(readFixture("../fuzz/corpus/plist/shared-string.bplist")).toList(),
              (QVariantList{"abc", "abc", "abc"}));
    // Nesting up to the limit still reads and writes, in both forms.
    QVariant deep = QVariantList{};
    for (int i = 0; i < 4000; ++i) deep = QVariantList{deep};
    for (auto format : {PlistCodec::Format::Xml, PlistCodec::Format::Binary}) {
        QByteArray bytes;
        ASSERT_TRUE(PlistCodec::encode(deep, &bytes, format));
        EXPECT_TRUE(PlistCodec::decode(bytes).isValid());
    }
}
