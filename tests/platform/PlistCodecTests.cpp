#include "platform/PlistCodec.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QRandomGenerator>
#include <QThread>
#include <QtEndian>
#include <cmath>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>
#include <plist/plist.h>

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

QDateTime utc(int year, int month, int day, int h = 0, int m = 0, int s = 0, int ms = 0) {
    return QDateTime(QDate(year, month, day), QTime(h, m, s, ms), Qt::UTC);
}

// A binary list holding one object (its marker and bytes), laid out as another writer would.
QByteArray binaryOf(const QByteArray& object) {
    QByteArray bytes = "bplist00" + object;
    const quint64 table = static_cast<quint64>(bytes.size());
    bytes.append(char(8));
    QByteArray trailer(32, '\0');
    trailer[6] = 1; // offset size
    trailer[7] = 1; // reference size
    qToBigEndian<quint64>(1, trailer.data() + 8);
    qToBigEndian<quint64>(table, trailer.data() + 24);
    return bytes + trailer;
}

QByteArray bigEndianDouble(double d) {
    QByteArray bytes(8, '\0');
    qToBigEndian<quint64>(std::bit_cast<quint64>(d), bytes.data());
    return bytes;
}

// UTF-8 text as UTF-16LE with a byte-order mark.
QByteArray utf16(const QByteArray& utf8) {
    QByteArray bytes("\xff\xfe");
    for (const QChar c : QString::fromUtf8(utf8)) {
        bytes.append(static_cast<char>(c.unicode() & 0xff));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

double secondsSince2001(const QDateTime& when) {
    return static_cast<double>(when.toMSecsSinceEpoch() - 978307200000LL) / 1000.0;
}

// Lists nested depth deep, the innermost empty.
QVariant nestedList(int depth) {
    QVariant value = QVariantList{};
    for (int i = 1; i < depth; ++i) value = QVariantList{value};
    return value;
}

QByteArray nestedXml(int depth) {
    return "<plist>" + QByteArray("<array>").repeated(depth) + QByteArray("</array>").repeated(depth) +
           "</plist>";
}

// A binary chain of depth arrays, each holding the next, written by hand.
QByteArray nestedBinary(int depth) {
    QByteArray bytes = "bplist00";
    QByteArray offsets;
    for (int i = 0; i < depth; ++i) {
        QByteArray offset(2, '\0');
        qToBigEndian<quint16>(static_cast<quint16>(bytes.size()), offset.data());
        offsets += offset;
        if (i + 1 < depth) {
            QByteArray ref(2, '\0');
            qToBigEndian<quint16>(static_cast<quint16>(i + 1), ref.data());
            bytes += '\xa1' + ref;
        } else {
            bytes += '\xa0';
        }
    }
    QByteArray trailer(32, '\0');
    trailer[6] = 2;
    trailer[7] = 2;
    qToBigEndian<quint64>(static_cast<quint64>(depth), trailer.data() + 8);
    qToBigEndian<quint64>(static_cast<quint64>(bytes.size()), trailer.data() + 24);
    return bytes + offsets + trailer;
}

// The same value built with libplist, whose XML is the form property lists take.
plist_t referenceNode(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::Double:
        return plist_new_real(value.toDouble());
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::QByteArray:
        return plist_new_data(value.toByteArray().constData(),
                              static_cast<uint64_t>(value.toByteArray().size()));
    case QMetaType::QDateTime:
        return plist_new_date(static_cast<int32_t>(secondsSince2001(value.toDateTime())), 0);
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            plist_dict_set_item(dict, it.key().toUtf8().constData(), referenceNode(it.value()));
        return dict;
    }
    default: {
        plist_t array = plist_new_array();
        for (const QVariant& element : value.toList()) plist_array_append_item(array, referenceNode(element));
        return array;
    }
    }
}

QByteArray referenceXml(plist_t node) {
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &bytes, &length);
    QByteArray xml(bytes, static_cast<qsizetype>(length));
    plist_to_xml_free(bytes);
    return xml;
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
        if (!value.isValid()) continue;
        // What is read writes back in both forms (XML aside for a NUL), and stays put from then on.
        for (auto format : {PlistCodec::Format::Xml, PlistCodec::Format::Binary}) {
            QByteArray once, twice;
            if (!PlistCodec::encode(value, &once, format, &error)) {
                EXPECT_TRUE(format == PlistCodec::Format::Xml && error.contains("NUL")) << name.toStdString();
                continue;
            }
            EXPECT_TRUE(PlistCodec::encode(PlistCodec::decode(once), &twice, format)) << name.toStdString();
            EXPECT_EQ(twice, once) << name.toStdString();
        }
    }
}

TEST(PlistCodec, NulCharactersReadFromBinaryButNeverWrittenToXml) {
    for (const char* xml :
         {"<plist><string>a&#0;b</string></plist>", "<plist><string>a&#x00;b</string></plist>"})
        EXPECT_FALSE(PlistCodec::decode(xml).isValid()) << xml;
    EXPECT_FALSE(PlistCodec::decode(QByteArray("<plist><string>a\0b</string></plist>", 34)).isValid());
    EXPECT_EQ(PlistCodec::decode("<plist><string>a&#10;b</string></plist>").toString(), "a\nb");

    // A binary list may hold a NUL in a string or a key: it reads whole and writes back to binary.
    const QVariantMap strings =
        PlistCodec::decode(readFixture("../fuzz/corpus/plist/nul-string.bplist")).toMap();
    EXPECT_EQ(strings,
              (QVariantMap{{"k", QString::fromUtf8("a\0b", 3)}, {"u", QString::fromUtf16(u"\u00e9\0", 2)}}));
    const QVariantMap keys = PlistCodec::decode(readFixture("../fuzz/corpus/plist/nul-key.bplist")).toMap();
    EXPECT_EQ(keys, (QVariantMap{{QString::fromUtf8("k\0", 2), QString("a")}}));
    for (const QVariantMap& map : {strings, keys}) {
        QByteArray bytes;
        ASSERT_TRUE(PlistCodec::encode(map, &bytes, PlistCodec::Format::Binary));
        EXPECT_EQ(PlistCodec::decode(bytes).toMap(), map);
        // XML has no NUL character: refused rather than cut short.
        QString error;
        EXPECT_FALSE(PlistCodec::encode(map, &bytes, PlistCodec::Format::Xml, &error));
        EXPECT_TRUE(error.contains("NUL")) << error.toStdString();
    }
}

TEST(PlistCodec, BinaryListsAreCheckedBeforeParsing) {
    struct Case {
        const char* file;
        bool valid;
    };
    const Case cases[] = {
        {"deep-chain.bplist", false},         // deeper than the parser may go
        {"self-containing.bplist", false},    // an array that holds itself
        {"diamond.bplist", false},            // shared arrays that expand to 2^60 values
        {"shared-data-blowup.bplist", false}, // 16 KB of data shared 5,000 times: 80 MB written out
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
    const QVariant deep = nestedList(512);
    for (auto format : {PlistCodec::Format::Xml, PlistCodec::Format::Binary}) {
        QByteArray bytes;
        ASSERT_TRUE(PlistCodec::encode(deep, &bytes, format));
        EXPECT_TRUE(PlistCodec::decode(bytes).isValid());
    }
}

TEST(PlistCodec, ValuesOfEveryRangeSurviveBothFormsExactly) {
    struct Case {
        const char* name;
        QVariant value;
        const char* xml;  // what the XML holds
        QVariant fromXml; // when XML holds less than the value (whole seconds)
    };
    const Case cases[] = {
        {"year 1", utc(1, 1, 1), "<date>0001-01-01T00:00:00Z</date>", {}},
        {"1900", utc(1900, 1, 1), "<date>1900-01-01T00:00:00Z</date>", {}},
        {"half a second before 2001", utc(1999, 12, 31, 23, 59, 59, 500), "<date>1999-12-31T23:59:59Z</date>",
         utc(1999, 12, 31, 23, 59, 59)},
        {"after 2001 with milliseconds", utc(2024, 2, 29, 23, 59, 58, 250),
         "<date>2024-02-29T23:59:58Z</date>", utc(2024, 2, 29, 23, 59, 58)},
        {"2100", utc(2100, 6, 30, 12), "<date>2100-06-30T12:00:00Z</date>", {}},
        {"9999", utc(9999, 12, 31, 23, 59, 59), "<date>9999-12-31T23:59:59Z</date>", {}},
        {"2^63", QVariant::fromValue(quint64(1) << 63), "<integer>9223372036854775808</integer>", {}},
        {"2^64-1",
         QVariant::fromValue(std::numeric_limits<quint64>::max()),
         "<integer>18446744073709551615</integer>",
         {}},
        {"-2^63",
         QVariant::fromValue(std::numeric_limits<qint64>::min()),
         "<integer>-9223372036854775808</integer>",
         {}},
        {"-1", -1, "<integer>-1</integer>", {}},
        {"2^32", QVariant::fromValue(qint64(1) << 32), "<integer>4294967296</integer>", {}},
        {"-0.0", -0.0, "<real>-0.0</real>", {}},
        {"0.0", 0.0, "<real>0.0</real>", {}},
        {"-infinity", -std::numeric_limits<double>::infinity(), "<real>-infinity</real>", {}},
        {"CR and CRLF", QString("a\r\nb\rc"), "<string>a&#13;\nb&#13;c</string>", {}},
    };
    for (const Case& c : cases) {
        for (auto format : {PlistCodec::Format::Xml, PlistCodec::Format::Binary}) {
            const bool xml = format == PlistCodec::Format::Xml;
            const QVariant expected = xml && c.fromXml.isValid() ? c.fromXml : c.value;
            QByteArray bytes;
            QString error;
            ASSERT_TRUE(PlistCodec::encode(QVariantList{c.value}, &bytes, format, &error))
                << c.name << ": " << error.toStdString();
            if (xml) {
                EXPECT_TRUE(bytes.contains(c.xml)) << c.name << "\n" << bytes.constData();
            }
            const QVariant back = PlistCodec::decode(bytes, &error).toList().value(0);
            EXPECT_EQ(back, expected)
                << c.name << (xml ? " (XML) " : " (binary) ") << back.toString().toStdString();
            EXPECT_EQ(back.metaType(), expected.metaType()) << c.name << back.metaType().name();
            if (expected.metaType().id() == QMetaType::Double) {
                EXPECT_EQ(std::signbit(back.toDouble()), std::signbit(expected.toDouble())) << c.name;
            }
        }
    }
}

TEST(PlistCodec, DatesBeyondWhatBothFormsHoldAreRefusedByEveryReaderAndWriter) {
    // About 285 million years either side of 2001: the farthest dates both forms read and write.
    constexpr qint64 kEpoch = 978307200000LL, kRange = 9'000'000'000'000'000'000LL;
    for (const qint64 ms : {kEpoch + kRange, kEpoch - kRange}) {
        const QDateTime farthest = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
        for (auto format : {PlistCodec::Format::Xml, PlistCodec::Format::Binary}) {
            QByteArray bytes;
            ASSERT_TRUE(PlistCodec::encode(farthest, &bytes, format)) << ms;
            EXPECT_EQ(PlistCodec::decode(bytes), QVariant(farthest)) << ms;
            QString error;
            const QDateTime beyond = farthest.addSecs(ms > 0 ? 1 : -1);
            EXPECT_FALSE(PlistCodec::encode(beyond, &bytes, format, &error)) << ms;
            EXPECT_EQ(error, "date out of range");
        }
    }
    // Dates that QDateTime holds but a binary list does not: read from XML, they could not be
    // written as binary, or would be written as a list that reads back as nothing.
    for (const QByteArray& bytes :
         {readFixture("../fuzz/corpus/plist/date-max.xml"), readFixture("../fuzz/corpus/plist/date-min.xml"),
          QByteArray("<plist><date>285200648-01-01T00:00:00Z</date></plist>")}) {
        QString error;
        EXPECT_FALSE(PlistCodec::decode(bytes, &error).isValid()) << bytes.constData();
        EXPECT_EQ(error, "date out of range");
    }
}

TEST(PlistCodec, ReadsWhatOtherWritersWrite) {
    const QByteArray header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    struct Case {
        const char* name;
        QByteArray bytes;
        QVariant expected;
    };
    // Runs of tabs of every length up to 41, some with a space or line end inside, and trailing ones.
    QByteArray indented = header + "<array>";
    QVariantList indentedValues;
    for (int n = 0; n <= 41; ++n) {
        indented += "\n" + QByteArray(n, '\t') + (n % 5 == 0 ? " \t\r\n\t" : "") + QByteArray(n / 2, '\t') +
                    "<integer>" + QByteArray::number(n) + "</integer>";
        indentedValues.append(n);
    }
    indented += "</array></plist>" + QByteArray(35, '\t');
    const Case cases[] = {
        {"indentation of any length", indented, indentedValues},
        {"UTF-8 byte-order mark", "\xef\xbb\xbf" + header + "<string>a</string></plist>", QString("a")},
        {"UTF-16 with a byte-order mark", utf16(header + "<string>caf\xc3\xa9</string></plist>"),
         QString::fromUtf8("caf\xc3\xa9")},
        {"CRLF and CR line ends", header + "<string>a\r\nb\rc\r</string></plist>", QString("a\nb\nc\n")},
        {"CR in CDATA", header + "<string><![CDATA[<a>\r\n]]></string></plist>", QString("<a>\n")},
        {"a referenced CR stays", header + "<string>a&#13;&#xD;</string></plist>", QString("a\r\r")},
        {"comment inside text", header + "<string>a<!-- </string> -->b</string></plist>", QString("ab")},
        {"2^64-1 in XML", header + "<integer>18446744073709551615</integer></plist>",
         QVariant::fromValue(std::numeric_limits<quint64>::max())},
        {"-2^63 in XML", header + "<integer> -9223372036854775808 </integer></plist>",
         QVariant::fromValue(std::numeric_limits<qint64>::min())},
        {"year 1 in XML", header + "<date>0001-01-01T00:00:00Z</date></plist>", utc(1, 1, 1)},
        {"2^64-1 in 16 bytes", binaryOf("\x14" + QByteArray(8, '\0') + QByteArray(8, '\xff')),
         QVariant::fromValue(std::numeric_limits<quint64>::max())},
        {"2^63 in 16 bytes", binaryOf("\x14" + QByteArray(8, '\0') + "\x80" + QByteArray(7, '\0')),
         QVariant::fromValue(quint64(1) << 63)},
        {"-1 in 8 bytes", binaryOf("\x13" + QByteArray(8, '\xff')), -1},
        {"binary year 1", binaryOf("\x33" + bigEndianDouble(secondsSince2001(utc(1, 1, 1)))), utc(1, 1, 1)},
        {"binary 1999-12-31T23:59:59.5",
         binaryOf("\x33" + bigEndianDouble(secondsSince2001(utc(1999, 12, 31, 23, 59, 59, 500)))),
         utc(1999, 12, 31, 23, 59, 59, 500)},
        {"binary half a second before 2001", binaryOf("\x33" + bigEndianDouble(-0.5)),
         utc(2000, 12, 31, 23, 59, 59, 500)},
        {"binary 9999", binaryOf("\x33" + bigEndianDouble(secondsSince2001(utc(9999, 12, 31, 23, 59, 59)))),
         utc(9999, 12, 31, 23, 59, 59)},
    };
    for (const Case& c : cases) {
        QString error;
        const QVariant value = PlistCodec::decode(c.bytes, &error);
        EXPECT_EQ(value, c.expected) << c.name << ": " << error.toStdString();
        EXPECT_EQ(value.metaType(), c.expected.metaType()) << c.name;
    }
    EXPECT_TRUE(std::signbit(PlistCodec::decode(header + "<real>-0.0</real></plist>").toDouble()));
    for (const QByteArray& bad : {header + "<integer>18446744073709551616</integer></plist>",
                                  header + "<integer>-9223372036854775809</integer></plist>",
                                  header + "<date>2024-02-30T00:00:00Z</date></plist>"})
        EXPECT_FALSE(PlistCodec::decode(bad).isValid()) << bad.constData();
}

// A binary date finer than a millisecond keeps its whole stored value through a load, an edit and a
// binary save; as a QDateTime it is the millisecond at or before it.
TEST(PlistCodec, BinaryDatesKeepTheirWholeValue) {
    const double seconds = 123.000456;
    const QVariant read = PlistCodec::decode(binaryOf("\x33" + bigEndianDouble(seconds)));
    ASSERT_TRUE(read.isValid());
    EXPECT_EQ(read.toDateTime(), utc(2001, 1, 1, 0, 2, 3, 0));
    QVariantMap card{{"due", read}, {"title", QString("before")}};
    card["title"] = QString("after");
    QByteArray binary;
    ASSERT_TRUE(PlistCodec::encode(card, &binary, PlistCodec::Format::Binary));
    EXPECT_TRUE(binary.contains("\x33" + bigEndianDouble(seconds)));
    const QVariantMap back = PlistCodec::decode(binary).toMap();
    EXPECT_EQ(back.value("due"), read);
    EXPECT_EQ(back.value("title"), "after");
    const QByteArray xml = PlistCodec::toXml(card);
    EXPECT_TRUE(xml.contains("<date>2001-01-01T00:02:03Z</date>")) << xml.constData();
}

TEST(PlistCodec, WritesTheFormOfTheReferenceWriter) {
    QVariantMap sample = sampleOfEveryKind();
    sample["reals"] = QVariantList{0.1,
                                   2.5,
                                   3.0,
                                   1e300,
                                   1e-300,
                                   double(17.5f),
                                   1e16,
                                   1e17,
                                   -1.5,
                                   5e-324,
                                   std::numeric_limits<double>::quiet_NaN(),
                                   std::numeric_limits<double>::infinity()};
    sample["escapes"] = QString("a<b>&c\"d'e\tf]]>");
    sample["k<&>"] = QString();
    sample["fullLines"] = QVariantList{QByteArray(51, 'z'), QByteArray(90, 'z')}; // 68 and 2 × 60 characters
    QVariant deep = QVariantMap{{"data", QByteArray(200, 'x')}, {"short", QByteArray("abc")}};
    for (int depth = 0; depth < 11; ++depth) {
        sample[QStringLiteral("data%1").arg(depth, 2, 10, QLatin1Char('0'))] = deep;
        deep = QVariantList{deep, QByteArray(51 + depth, 'y')};
    }
    plist_t reference = referenceNode(sample);
    QByteArray xml;
    ASSERT_TRUE(PlistCodec::encode(sample, &xml));
    EXPECT_EQ(xml, referenceXml(reference));
    // The reference reads our binary form as the same value.
    QByteArray binary;
    ASSERT_TRUE(PlistCodec::encode(sample, &binary, PlistCodec::Format::Binary));
    plist_t fromBinary = nullptr;
    plist_from_bin(binary.constData(), static_cast<uint32_t>(binary.size()), &fromBinary);
    ASSERT_NE(fromBinary, nullptr);
    EXPECT_EQ(referenceXml(fromBinary), xml);
    plist_free(fromBinary);
    plist_free(reference);
}

TEST(PlistCodec, ADateReadsBackAsTheSameDayInEveryZone) {
    const QByteArray savedZone = qgetenv("TZ");
    const QDate day(2026, 3, 15);
    for (const char* zone : {"Asia/Tokyo", "America/Los_Angeles", "Pacific/Kiritimati", "UTC"}) {
        qputenv("TZ", zone);
        tzset();
        for (auto format : {PlistCodec::Format::Xml, PlistCodec::Format::Binary}) {
            QByteArray bytes;
            ASSERT_TRUE(PlistCodec::encode(QVariantMap{{"day", day}}, &bytes, format));
            if (format == PlistCodec::Format::Xml) {
                EXPECT_TRUE(bytes.contains("<date>2026-03-15T00:00:00Z</date>")) << zone;
            }
            EXPECT_EQ(PlistCodec::decode(bytes).toMap().value("day").toDate(), day) << zone;
        }
    }
    if (savedZone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", savedZone);
    tzset();
}

TEST(PlistCodec, NestingIsMeasuredOnRealElements) {
    // Closing tags inside comments are no elements: the nesting is 200,000 deep and refused.
    QString error;
    const QByteArray commented = "<plist>" + QByteArray("<array><!--</-->").repeated(200000) +
                                 QByteArray("</array>").repeated(200000) + "</plist>";
    EXPECT_FALSE(PlistCodec::decode(commented, &error).isValid());
    EXPECT_EQ(error, "nesting too deep");
    // Tags inside comments and text are no elements either: this list is one level deep.
    const QByteArray quoted = "<plist><array>" + QByteArray("<!--<array>-->").repeated(5000) +
                              "<string><![CDATA[" + QByteArray("<array>").repeated(5000) + "]]></string>" +
                              "<string>" + QByteArray("&lt;array>").repeated(5000) +
                              "</string></array></plist>";
    const QVariantList list = PlistCodec::decode(quoted, &error).toList();
    ASSERT_EQ(list.size(), 2) << error.toStdString();
    EXPECT_EQ(list[0].toString(), QString("<array>").repeated(5000));
    EXPECT_EQ(list[1].toString(), QString("<array>").repeated(5000));
}

TEST(PlistCodec, TheDeepestAcceptedValueFitsASmallStack) {
    constexpr int kLimit = 512;
    for (auto format : {PlistCodec::Format::Xml, PlistCodec::Format::Binary}) {
        QByteArray bytes;
        QString error;
        EXPECT_FALSE(PlistCodec::encode(nestedList(kLimit + 1), &bytes, format, &error));
        EXPECT_EQ(error, "nesting too deep");
    }
    EXPECT_FALSE(PlistCodec::decode(nestedXml(kLimit + 1)).isValid());
    EXPECT_FALSE(PlistCodec::decode(nestedBinary(kLimit + 1)).isValid());
    EXPECT_TRUE(PlistCodec::decode(nestedBinary(kLimit)).isValid());

    // Decoding, encoding, copying and freeing the deepest value take far less than the 8 MB a
    // thread gets by default, also under the sanitizers.
    bool done = false;
    QThread* thread = QThread::create([&done] {
        for (auto format : {PlistCodec::Format::Xml, PlistCodec::Format::Binary}) {
            QByteArray bytes;
            if (!PlistCodec::encode(nestedList(kLimit), &bytes, format)) return;
            const QVariant value = PlistCodec::decode(bytes);
            QVariant copy = value;
            copy = QVariant();
            if (value != nestedList(kLimit)) return;
        }
        if (!PlistCodec::decode(nestedXml(kLimit)).isValid()) return;
        done = true;
    });
    thread->setStackSize(2 * 1024 * 1024);
    thread->start();
    thread->wait();
    delete thread;
    EXPECT_TRUE(done);
}
