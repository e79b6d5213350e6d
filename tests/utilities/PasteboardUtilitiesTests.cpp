#include "utilities/PasteboardUtilities.h"

#include "foundation/Object.h"
#include "platform/Diagnostics.h"
#include "platform/text/AttributedString.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QImage>
#include <QTemporaryDir>
#include <QUuid>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace PasteboardUtilities;
using namespace PasteboardItemCommonTypes;
using PasteboardCommonTypes::attributedStringType;
using PasteboardCommonTypes::setAttributedStringType;

class TPasteProbe : public TObject {
    T_OBJECT(TPasteProbe, TObject)
};
class TOtherPasteProbe : public TObject {
    T_OBJECT(TOtherPasteProbe, TObject)
};

QImage smallImage() {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(QColor(10, 200, 30));
    image.setPixelColor(2, 1, QColor(250, 5, 5));
    return image;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void expectSameImage(const QImage& read, const QImage& written) {
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(read.size(), written.size());
    EXPECT_EQ(read.pixelColor(2, 1), written.pixelColor(2, 1));
    EXPECT_EQ(read.pixelColor(0, 0), written.pixelColor(0, 0));
}

TEST(Pasteboard, EveryPayloadComesBackAsWritten) {
    const QString text = QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80");
    const QString oddPath = QStringLiteral("/tmp/a #1 %20 b.txt");
    AttributedString rich(QStringLiteral("rich text"));
    struct Case {
        const char* name;
        QString type;
        std::function<void(QMimeData&)> write;
        std::function<void(const QMimeData&)> check;
    };
    const Case cases[] = {
        {"string", kPasteboardTypeString, [&](QMimeData& d) { setStringType(d, text); },
         [&](const QMimeData& d) {
             EXPECT_EQ(stringForType(d, kPasteboardTypeString), text);
             EXPECT_EQ(textType(d), text);
             EXPECT_TRUE(conformsTo(d, QStringLiteral("public.text")));
         }},
        {"URL", kPasteboardTypeURL,
         [](QMimeData& d) { setURLType(d, QUrl(QStringLiteral("https://a.example/x?q=1"))); },
         [](const QMimeData& d) {
             EXPECT_EQ(fileURLType(d), QUrl(QStringLiteral("https://a.example/x?q=1")));
             EXPECT_TRUE(filePathType(d).isNull()) << "a web address is no file";
             EXPECT_FALSE(conformsTo(d, kPasteboardTypeFileURL));
         }},
        {"file URL", kPasteboardTypeFileURL,
         [&](QMimeData& d) { setFileURLType(d, QUrl::fromLocalFile(oddPath)); },
         [&](const QMimeData& d) {
             EXPECT_EQ(filePathType(d), oddPath) << "a path with # and % stays whole";
             EXPECT_TRUE(conformsTo(d, kPasteboardTypeURL));
         }},
        {"TIFF", kPasteboardTypeTIFF, [](QMimeData& d) { EXPECT_TRUE(setImageType(d, smallImage())); },
         [](const QMimeData& d) {
             expectSameImage(imageType(d), smallImage());
             EXPECT_TRUE(conformsTo(d, QStringLiteral("public.image")));
         }},
        {"PNG", kPasteboardTypePNG,
         [](QMimeData& d) { setDataForType(d, png(smallImage()), kPasteboardTypePNG); },
         [](const QMimeData& d) { expectSameImage(imageType(d), smallImage()); }},
        {"RTFD", kPasteboardTypeRTFD, [&](QMimeData& d) { setAttributedStringType(d, rich); },
         [&](const QMimeData& d) {
             EXPECT_TRUE(containsType(d, kPasteboardTypeRTF));
             const auto read = attributedStringType(d);
             ASSERT_TRUE(read);
             EXPECT_EQ(read->string(), rich.string());
         }},
        {"RTF", kPasteboardTypeRTF,
         [](QMimeData& d) {
             setDataForType(d, QByteArrayLiteral("{\\rtf1\\ansi plain {\\b bold}}"), kPasteboardTypeRTF);
         },
         [](const QMimeData& d) {
             const auto read = attributedStringType(d);
             ASSERT_TRUE(read);
             EXPECT_EQ(read->string(), QStringLiteral("plain bold"));
         }},
        {"promised content type", kPasteboardTypePromisedFileContentType,
         [](QMimeData& d) {
             setDataForType(d, QByteArrayLiteral("public.jpeg"), kPasteboardTypePromisedFileContentType);
         },
         [](const QMimeData& d) {
             EXPECT_EQ(promisedFileContentType(d), QStringLiteral("public.jpeg"));
             EXPECT_TRUE(promisedFileContentConformsTo(d, QStringLiteral("public.image")));
             EXPECT_FALSE(promisedFileContentConformsTo(d, QStringLiteral("public.text")));
         }},
    };
    for (const QString own :
         {"TCard.wrapper", "TCardItem.wrapper", "card.linkname", "NSBarItem.pasteboardType"}) {
        QMimeData data;
        setDataForType(data, own.toUtf8(), own);
        EXPECT_EQ(types(data), QStringList{own});
        EXPECT_EQ(typeForMimeType(mimeTypeForType(own)), own);
        EXPECT_EQ(dataForType(data, own), own.toUtf8());
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QMimeData data;
        c.write(data);
        EXPECT_TRUE(containsType(data, c.type)) << types(data).join(QLatin1Char(' ')).toStdString();
        c.check(data);
        // The same through the clipboard and as an item of a pasteboard of several.
        auto copy = std::make_unique<QMimeData>();
        c.write(*copy);
        setGeneralPasteboard(std::move(copy));
        ASSERT_TRUE(generalPasteboard());
        c.check(*generalPasteboard());
        QMimeData other, several;
        setStringType(other, QStringLiteral("other"));
        writeObjects(several, {&other, &data});
        const auto read = items(several);
        ASSERT_EQ(read.size(), 2u);
        c.check(*read[1]);
    }
    clearGeneralPasteboard();
}

TEST(Pasteboard, MissingPayloadsReadAsNothing) {
    QMimeData empty;
    TObject* slot = reinterpret_cast<TObject*>(&empty);
    EXPECT_FALSE(getPointerForType(empty, &slot, QStringLiteral("TCard.wrapper")));
    EXPECT_EQ(slot, reinterpret_cast<TObject*>(&empty)) << "the slot stays untouched";
    EXPECT_TRUE(imageType(empty).isNull());
    EXPECT_TRUE(textType(empty).isNull());
    EXPECT_TRUE(filePathType(empty).isNull());
    EXPECT_TRUE(fileURLType(empty).isEmpty());
    EXPECT_EQ(promisedFileContentType(empty), QString(QLatin1String("")));
    EXPECT_FALSE(promisedFileContentType(empty).isNull());
    EXPECT_FALSE(promisedFileContentConformsTo(empty, QStringLiteral("public.data")));
    EXPECT_TRUE(dataWhichConformsTo(empty, QStringLiteral("public.image")).isNull());
    EXPECT_FALSE(attributedStringType(empty));
    EXPECT_TRUE(items(empty).empty());
    EXPECT_FALSE(setImageType(empty, QImage()));
    EXPECT_TRUE(empty.formats().isEmpty()) << "an image that can't be encoded stores nothing";
}

TEST(Pasteboard, AddingATypeKeepsTheOthers) {
    QMimeData data;
    setDataForType(data, QByteArrayLiteral("title"), QStringLiteral("card.linkname"));
    setStringType(data, QStringLiteral("jobslate://goto?card=1"));
    EXPECT_EQ(types(data), (QStringList{QStringLiteral("card.linkname"), kPasteboardTypeString}));
    EXPECT_EQ(stringForType(data, QStringLiteral("card.linkname")), QStringLiteral("title"));
}

class PasteboardReferences : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterClass(TPasteProbe::StaticClass());
        RegisterClass(TOtherPasteProbe::StaticClass());
        probe = TPasteProbe::Create();
        other = TOtherPasteProbe::Create();
    }
    void TearDown() override {
        if (probe) probe->Release();
        other->Release();
    }
    QByteArray forgedPayload(TObject* object) {
        QByteArray payload;
        QDataStream out(&payload, QIODevice::WriteOnly);
        out << QByteArrayLiteral("NSObjectWrapper/1") << QUuid::createUuid().toRfc4122()
            << object->GetSerial();
        return payload;
    }
    TPasteProbe* probe = nullptr;
    TOtherPasteProbe* other = nullptr;
};

TEST_F(PasteboardReferences, AReferenceComesBackAsItsObjectWithoutAnAddress) {
    QMimeData data;
    setPointerAddressType(data, probe, QStringLiteral("TCard.wrapper"));
    const quintptr address = reinterpret_cast<quintptr>(probe);
    EXPECT_FALSE(dataForType(data, QStringLiteral("TCard.wrapper"))
                     .contains(QByteArray(reinterpret_cast<const char*>(&address), sizeof address)));
    TObject* slot = nullptr;
    ASSERT_TRUE(getPointerForType(data, &slot, QStringLiteral("TCard.wrapper")));
    EXPECT_EQ(slot, probe);
    EXPECT_EQ(probe->GetRetainCount(), 1) << "reading retains nothing";
}

TEST_F(PasteboardReferences, ForeignAndDeadReferencesAreRefused) {
    QMimeData forged;
    setDataForType(forged, forgedPayload(probe), QStringLiteral("TCard.wrapper"));
    TObject* slot = other;
    EXPECT_FALSE(getPointerForType(forged, &slot, QStringLiteral("TCard.wrapper")))
        << "another process's token";
    EXPECT_EQ(slot, other);
    EXPECT_FALSE(containsTypeOfClass(forged, QStringLiteral("TCard.wrapper"), TPasteProbe::StaticClass()));

    QMimeData stale;
    setPointerAddressType(stale, probe, QStringLiteral("TCard.wrapper"));
    probe->Release();
    probe = nullptr;
    EXPECT_FALSE(getPointerForType(stale, &slot, QStringLiteral("TCard.wrapper"))) << "the object is gone";
    EXPECT_EQ(slot, other);

    QMimeData garbage;
    setDataForType(garbage, QByteArrayLiteral("\x01\x02\x03"), QStringLiteral("TCard.wrapper"));
    EXPECT_FALSE(getPointerForType(garbage, &slot, QStringLiteral("TCard.wrapper")));
}

TEST_F(PasteboardReferences, ClassTestsLookAtEveryItemInOrder) {
    QMimeData empty;
    EXPECT_FALSE(containsTypeOfClass(empty, QStringLiteral("TCard.wrapper"), TPasteProbe::StaticClass()));
    QMimeData first, second, pasteboard;
    setPointerAddressType(first, other, QStringLiteral("TCard.wrapper"));
    writeObjects(pasteboard, {&first});
    EXPECT_FALSE(
        containsTypeOfClass(pasteboard, QStringLiteral("TCard.wrapper"), TPasteProbe::StaticClass()));
    setPointerAddressType(second, probe, QStringLiteral("TCard.wrapper"));
    writeObjects(pasteboard, {&first, &second});
    EXPECT_TRUE(containsTypeOfClass(pasteboard, QStringLiteral("TCard.wrapper"), TPasteProbe::StaticClass()));
    EXPECT_TRUE(containsTypeOfClass(pasteboard, QStringLiteral("TCard.wrapper"), TObject::StaticClass()));
    EXPECT_TRUE(containsTypeOfClassString(pasteboard, QStringLiteral("TCard.wrapper"),
                                          QStringLiteral("TPasteProbe")));
    EXPECT_FALSE(
        containsTypeOfClassString(pasteboard, QStringLiteral("TCard.wrapper"), QStringLiteral("TNoSuch")));
    TObject* slot = nullptr;
    ASSERT_TRUE(getPointerForType(pasteboard, &slot, QStringLiteral("TCard.wrapper")));
    EXPECT_EQ(slot, other) << "the pasteboard as a whole reads its first item";
}

TEST(PasteboardItems, FilesDroppedFromElsewhereAreOneItemEach) {
    QMimeData drop;
    drop.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.qxsheet")),
                  QUrl::fromLocalFile(QStringLiteral("/tmp/b.png"))});
    drop.setText(QStringLiteral("/tmp/a.qxsheet\n/tmp/b.png"));
    const auto read = items(drop);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(filePathType(*read[0]), QStringLiteral("/tmp/a.qxsheet"));
    EXPECT_EQ(filePathType(*read[1]), QStringLiteral("/tmp/b.png"));
    EXPECT_TRUE(textType(*read[0]).startsWith(QStringLiteral("/tmp/a")));
    EXPECT_TRUE(textType(*read[1]).isNull());
    EXPECT_EQ(itemTypesAndStrings(drop).size(), 2);
}

TEST(PasteboardItems, ItemsWrittenTogetherStayApartAndShowEveryFile) {
    auto a = itemWithFileURL(QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt")));
    auto b = itemWithFileURL(QUrl::fromLocalFile(QStringLiteral("/tmp/b.txt")));
    setStringType(*b, QStringLiteral("second"));
    QMimeData pasteboard;
    writeObjects(pasteboard, {a.get(), b.get()});
    EXPECT_EQ(pasteboard.urls().size(), 2) << "other programs see both files";
    const auto read = items(pasteboard);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_TRUE(textType(*read[0]).isNull());
    EXPECT_EQ(textType(*read[1]), QStringLiteral("second"));

    // A damaged list of items falls back to the data as it stands.
    pasteboard.setData(QStringLiteral("application/x-jobslate-pasteboard-items"),
                       QByteArrayLiteral("\x00\x00\x00\x11PasteboardItems/1\xff\xff\xff\xff"));
    EXPECT_EQ(items(pasteboard).size(), 2u);
}

TEST(PasteboardItems, PayloadsClaimingMoreThanADragCarriesAreRefused) {
    // A list of items as another program may forge it: the tag, a count and empty items.
    const auto forged = [](quint32 count, qsizetype items) {
        QByteArray payload;
        QDataStream out(&payload, QIODevice::WriteOnly);
        out << QByteArrayLiteral("PasteboardItems/1") << count;
        payload.append(QByteArray(items * 4, '\0')); // each item: no formats
        return payload;
    };
    const auto refs = [](quint32 count, qsizetype entries) {
        QByteArray payload;
        QDataStream out(&payload, QIODevice::WriteOnly);
        out << count;
        for (qsizetype i = 0; i < entries; ++i) out << QByteArrayLiteral("ref");
        return payload;
    };
    struct Case {
        const char* name;
        QByteArray items;     // a forged list of items
        size_t expectedItems; // the items read (the plain text alone when refused)
    };
    const Case cases[] = {
        {"8 MiB of empty items", forged(2 * 1024 * 1024, 2 * 1024 * 1024), 1},
        {"4 bytes claiming 0xffffffff", forged(0xffffffffu, 0), 1},
        {"one more than the cap", forged(kMaximumItems + 1, kMaximumItems + 1), 1},
        {"at the cap", forged(kMaximumItems, kMaximumItems), kMaximumItems},
    };
    for (const Case& c : cases) {
        QMimeData data;
        data.setData(QStringLiteral("application/x-jobslate-pasteboard-items"), c.items);
        data.setText(QStringLiteral("plain"));
        EXPECT_EQ(items(data).size(), c.expectedItems) << c.name;
    }

    // Lists of references: never more than the cap, never what the payload only claims.
    EXPECT_FALSE(readByteArrayList(QByteArray("\xff\xff\xff\xff", 4)).has_value());
    EXPECT_FALSE(readByteArrayList(refs(kMaximumItems + 1, kMaximumItems + 1)).has_value());
    EXPECT_FALSE(readByteArrayList(refs(3, 2)).has_value());
    EXPECT_EQ(readByteArrayList(refs(3, 3)).value_or(QList<QByteArray>()).size(), 3);
    EXPECT_EQ(readByteArrayList(writeByteArrayList({"a", "b"})), (QList<QByteArray>{"a", "b"}));

    // A URL list longer than the cap gives the cap's worth of items.
    QByteArray list;
    for (quint32 i = 0; i < kMaximumItems + 500; ++i)
        list += "file:///tmp/f" + QByteArray::number(i) + "\r\n";
    QMimeData files;
    files.setData(QStringLiteral("text/uri-list"), list);
    EXPECT_EQ(items(files).size(), size_t(kMaximumItems));
}

TEST(PasteboardItems, TypesAndStringsShowTextOrNull) {
    QMimeData item;
    ASSERT_TRUE(setImageType(item, smallImage()));
    EXPECT_EQ(PasteboardItemUtilities::typesAndStrings(item),
              (QVariantMap{{kPasteboardTypeTIFF, QStringLiteral("null")}}));
    setStringType(item, QStringLiteral("words"));
    EXPECT_EQ(PasteboardItemUtilities::typesAndStrings(item).value(kPasteboardTypeString),
              QStringLiteral("words"));
}

TEST(PasteboardItems, FileConformanceNeedsAnExistingFileOfTheType) {
    QTemporaryDir folder;
    const QString image = folder.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(smallImage().save(image));
    struct Case {
        QString path;
        QString identifier;
        bool conforms;
    };
    const Case cases[] = {
        {image, QStringLiteral("public.image"), true},
        {image, QStringLiteral("public.text"), false},
        {folder.filePath(QStringLiteral("missing.png")), QStringLiteral("public.image"), false},
    };
    for (const Case& c : cases) {
        const auto item = itemWithFileURL(QUrl::fromLocalFile(c.path));
        EXPECT_EQ(fileConformsToUTIdentifier(*item, c.identifier), c.conforms) << c.path.toStdString();
        EXPECT_EQ(fileRefType(*item).isNull(), !QFileInfo::exists(c.path)) << c.path.toStdString();
    }
    QMimeData none;
    EXPECT_FALSE(fileConformsToUTIdentifier(none, QStringLiteral("public.image")));
}

TEST(PromisedFiles, AreWrittenWhenTheDropAsksForThemAndOnlyOnce) {
    int made = 0;
    PromisedFileMimeData data(QStringLiteral("public.plain-text"));
    data.addFile(QStringLiteral("../note.txt"), [&made] {
        ++made;
        return QByteArrayLiteral("promised text");
    });
    EXPECT_TRUE(data.hasUrls());
    EXPECT_EQ(promisedFileContentType(data), QStringLiteral("public.plain-text"));
    EXPECT_EQ(made, 0) << "nothing is written before a reader asks";

    const QString path = filePathType(data);
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("note.txt")) << "the name stays inside its folder";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArrayLiteral("promised text"));
    EXPECT_EQ(filePathType(data), path);
    EXPECT_EQ(made, 1);
    const auto read = items(data);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(promisedFileContentType(*read[0]), QStringLiteral("public.plain-text"));
    QDir(QFileInfo(path).path()).removeRecursively();
}

TEST(PromisedFiles, FilesOfOneNameOrOfLongNamesAreAllMade) {
    PromisedFileMimeData data(QStringLiteral("public.plain-text"));
    const QString longName = QString(200, QChar(0xe9)) + QStringLiteral(".txt"); // 404 UTF-8 bytes
    const struct {
        QString name;
        QByteArray contents;
    } files[] = {
        {QStringLiteral("note.txt"), "first"},
        {QStringLiteral("other/note.txt"), "second"},
        {QStringLiteral("../note.txt"), "third"},
        {longName, "long"},
    };
    for (const auto& file : files) data.addFile(file.name, [bytes = file.contents] { return bytes; });
    const QList<QUrl> urls = data.urls();
    ASSERT_EQ(urls.size(), 4);
    const QString folder = QFileInfo(urls.first().toLocalFile()).path();
    QStringList names;
    for (qsizetype i = 0; i < urls.size(); ++i) {
        const QFileInfo info(urls.at(i).toLocalFile());
        EXPECT_EQ(info.path(), folder) << "every file stays in the drop's folder";
        QFile file(info.filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << info.filePath().toStdString();
        EXPECT_EQ(file.readAll(), files[i].contents);
        names.append(info.fileName());
    }
    EXPECT_EQ(names.mid(0, 3), (QStringList{"note.txt", "note 2.txt", "note 3.txt"}));
    EXPECT_LE(names.at(3).toUtf8().size(), 255);
    EXPECT_TRUE(names.at(3).startsWith(QString(10, QChar(0xe9))));
    EXPECT_TRUE(names.at(3).endsWith(QStringLiteral(".txt")));
    QDir(folder).removeRecursively();
}

} // namespace
