#include "foundation/Archiver.h"
#include "platform/PlistCodec.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct ArchiverDeleter {
    void operator()(TArchiver* a) const { a->Release(); }
};
using ArchiverPtr = std::unique_ptr<TArchiver, ArchiverDeleter>;

ArchiverPtr make(TArchiver* a) {
    return ArchiverPtr(a);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Whether Save accepts an argument of type P (a path never turns into the Boolean overload).
template <typename P> constexpr bool savesWith = requires(TArchiver& a, P p) {
    a.Save(p);
};

} // namespace

TEST(Archiver, EveryValueKindSurvivesAFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("card.qxcard");
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 255));
    {
        auto a = make(TArchiver::Create());
        a->SetStringValue("system.class", "TCard");
        a->SetBooleanValue("flag", true);
        a->SetIntegerValue("count", -123456);
        a->SetFloatValue("ratio", 0.1f);
        a->SetStringValue("title", QString(300, QChar(0x00e9)) + QString::fromUtf8("\xe2\x9c\x93"));
        a->SetDataValue("bytes", QByteArray("\x00\x01\x02", 3));
        a->SetImageValue("preview", image);
        a->SetPointValue("origin", QPointF(1.5, -2.25));
        a->SetSizeValue("extent", QSizeF(640, 480));
        a->SetRectValue("frame", QRectF(0.1, 20, 300.5, 400));
        a->SetRangeValue("selection", CFRange{0x100000005LL, -3});
        a->SetColorValue("color", ATSURGBAlphaColor{0.25f, 0.5f, 1.25f, 1.0f});
        a->SetValue("when", QDateTime(QDate(2026, 12, 10), QTime(8, 30), Qt::UTC));
        ASSERT_EQ(a->Save(path), 0);
    }
    auto b = make(TArchiver::CreateWithPath(path));
    ASSERT_EQ(b->Load(), 0);
    EXPECT_EQ(b->GetStringValue("system.class"), "TCard");
    EXPECT_TRUE(b->GetBooleanValue("flag"));
    EXPECT_EQ(b->GetIntegerValue("count"), -123456);
    EXPECT_EQ(b->GetFloatValue("ratio"), 0.1f);
    EXPECT_EQ(b->GetStringValue("title"), QString(300, QChar(0x00e9)) + QString::fromUtf8("\xe2\x9c\x93"));
    QByteArray bytes;
    EXPECT_TRUE(b->GetDataValue("bytes", &bytes));
    EXPECT_EQ(bytes, QByteArray("\x00\x01\x02", 3));
    EXPECT_EQ(b->CopyImageValue("preview").convertToFormat(QImage::Format_ARGB32), image);
    EXPECT_EQ(b->GetPointValue("origin"), QPointF(1.5, -2.25));
    EXPECT_EQ(b->GetSizeValue("extent"), QSizeF(640, 480));
    EXPECT_EQ(b->GetRectValue("frame"), QRectF(double(0.1f), 20, 300.5, 400)); // narrowed to 32-bit floats
    EXPECT_EQ(b->GetRangeValue("selection"), (CFRange{5, -3}));                // low 32 bits, sign-extended
    EXPECT_EQ(b->GetColorValue("color"), (ATSURGBAlphaColor{0.25f, 0.5f, 1.25f, 1.0f}));
    EXPECT_EQ(b->GetValue("when").toDateTime(), QDateTime(QDate(2026, 12, 10), QTime(8, 30), Qt::UTC));
    EXPECT_TRUE(b->ContainsKey("frame.origin.x"));
    EXPECT_EQ(b->GetFile().path, QFileInfo(path).absoluteFilePath());
}

TEST(Archiver, TypedReadersOfAbsentAndMismatchedKeys) {
    auto a = make(TArchiver::Create());
    a->SetIntegerValue("zero", 0);
    a->SetIntegerValue("seven", 7);
    a->SetValue("text", QString("12"));
    a->SetValue("big", qint64(1) << 40);
    a->SetValue("list", QVariantList{1});

    EXPECT_FALSE(a->GetBooleanValue("absent"));
    EXPECT_FALSE(a->GetBooleanValue("zero")); // a stored number reads as true only when non-zero
    EXPECT_TRUE(a->GetBooleanValue("seven"));
    EXPECT_EQ(a->GetStringValue("seven"), QString());
    EXPECT_EQ(a->GetIntegerValue("absent"), 0);
    EXPECT_EQ(a->GetIntegerValue("text"), 0);
    EXPECT_EQ(a->GetIntegerValue("big"), 0); // does not fit 32 bits
    EXPECT_EQ(a->GetFloatValue("absent"), 0.0f);
    EXPECT_EQ(a->GetColorValue("absent"), ATSURGBAlphaColor{});
    EXPECT_EQ(a->GetRectValue("absent"), QRectF());
    QByteArray untouched("keep");
    EXPECT_FALSE(a->GetDataValue("absent", &untouched));
    EXPECT_FALSE(a->GetDataValue("text", &untouched));
    EXPECT_EQ(untouched, "keep");
    EXPECT_TRUE(a->CopyImageValue("seven").isNull());
    EXPECT_EQ(a->CopyArchive("list"), nullptr);
    EXPECT_TRUE(a->IsStringValue("text"));
    EXPECT_TRUE(a->IsNumberValue("big"));
    EXPECT_FALSE(a->IsDataValue("absent"));

    a->SetValue("seven", QVariant()); // nil is ignored
    EXPECT_EQ(a->GetIntegerValue("seven"), 7);
    a->SetImageValue("seven", QImage());
    EXPECT_EQ(a->GetIntegerValue("seven"), 7);
    a->Remove("seven");
    EXPECT_FALSE(a->ContainsKey("seven"));
}

TEST(Archiver, EncodedImageKeepsTheBytesAndDecodesOnRequest) {
    QImage image(5, 2, QImage::Format_ARGB32);
    image.fill(qRgba(200, 10, 40, 255));
    EncodedImage made;
    EXPECT_TRUE(made.isEmpty());
    EXPECT_TRUE(made.image().isNull());
    made.set(image);
    ASSERT_FALSE(made.isEmpty());
    EXPECT_EQ(made.image().convertToFormat(QImage::Format_ARGB32), image);

    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "JPEG"));
    }
    // What a file holds under the key: a picture is kept byte for byte, anything else is dropped.
    const struct {
        const char* name;
        QVariant stored;
        bool kept;
    } cases[] = {
        {"JPEG bytes", QVariant(jpeg), true},
        {"not a picture", QVariant(QByteArray("not a picture")), false},
        {"a string", QVariant(QStringLiteral("picture")), false},
        {"absent", QVariant(), false},
    };
    for (const auto& c : cases) {
        auto a = make(TArchiver::Create());
        if (c.stored.isValid()) a->SetValue("preview", c.stored);
        EncodedImage read = made;
        read.read(a.get(), "preview");
        EXPECT_EQ(read.isEmpty(), !c.kept) << c.name;
        auto b = make(TArchiver::Create());
        b->SetIntegerValue("preview", 1);
        read.write(b.get(), "preview");
        if (c.kept) {
            EXPECT_EQ(b->GetValue("preview").toByteArray(), c.stored.toByteArray()) << c.name;
            EXPECT_EQ(read.image().size(), image.size()) << c.name;
        } else {
            EXPECT_FALSE(b->ContainsKey("preview")) << c.name;
        }
    }
}

TEST(Archiver, ObjectListAndPathLookup) {
    auto root = make(TArchiver::Create());
    EXPECT_EQ(root->Limit(), -1);
    EXPECT_EQ(root->CopyArchive(0), nullptr);
    EXPECT_FALSE(root->GetIndexedValue(0).isValid());
    // SetValue takes a "/" key literally; GetValue walks it as a path.
    EXPECT_FALSE(root->GetValue("/literal").isValid());
    root->SetValue("/literal", 1);
    EXPECT_TRUE(root->ContainsKey("/literal"));
    root->Remove("/literal");

    for (const char* title : {"a", "b", "c"}) {
        auto child = make(TArchiver::Create());
        child->SetStringValue("title", title);
        root->AppendArchive(child.get());
    }
    root->SetValue("name", QString("top"));
    EXPECT_EQ(root->Limit(), 2);
    auto third = make(root->CopyArchive(2));
    ASSERT_TRUE(third);
    EXPECT_EQ(third->GetStringValue("title"), "c");
    EXPECT_EQ(root->CopyArchive(3), nullptr);
    EXPECT_EQ(root->CopyArchive(-1), nullptr);

    struct Case {
        const char* path;
        QVariant expected;
    };
    const Case cases[] = {
        {"/system.objects/2/title", QString("c")},
        {"/system.objects/0/title", QString("a")},
        {"/system.objects/5/title", QVariant()}, // index past the end
        {"/system.objects/x/title", QVariant()}, // not an index
        {"/missing/name", QString("top")},       // a missing component is passed over
        {"/name", QString("top")},
    };
    for (const Case& c : cases) EXPECT_EQ(root->GetValue(c.path), c.expected) << c.path;
    EXPECT_EQ(root->GetValue("/system.objects/1").toMap().value("title").toString(), "b");
    auto viaPath = make(root->CopyArchive("/system.objects/1"));
    ASSERT_TRUE(viaPath);
    EXPECT_EQ(viaPath->GetStringValue("title"), "b");

    root->RemoveArchivedObjects();
    EXPECT_EQ(root->Limit(), -1);
    root->SetIndexedValue({1, 2});
    EXPECT_EQ(root->GetIndexedValue(1).toInt(), 2);
}

TEST(Archiver, NestedArchivesAreShared) {
    auto parent = make(TArchiver::Create());
    auto child = make(TArchiver::Create());
    auto element = make(TArchiver::Create());
    parent->SetArchive("child", child.get());
    parent->AppendArchive(element.get());
    child->SetStringValue("late", "seen");
    element->SetIntegerValue("n", 3);
    EXPECT_EQ(parent->GetValue("/child/late").toString(), "seen");
    EXPECT_EQ(parent->GetIndexedValue(0).toMap().value("n").toInt(), 3);
    const QVariantMap whole = parent->CFType();
    EXPECT_EQ(whole["child"].toMap()["late"].toString(), "seen");
    // The shared dictionaries outlive the archivers that made them.
    child.reset();
    element.reset();
    const QVariantMap back = PlistCodec::decode(parent->CopyXMLData()).toMap();
    EXPECT_EQ(back["system.objects"].toList().value(0).toMap()["n"].toInt(), 3);
    // A copy is one level deep: its own keys are its own.
    auto copy = make(parent->CopyArchive("child"));
    copy->SetStringValue("late", "changed");
    EXPECT_EQ(parent->GetValue("/child/late").toString(), "seen");
}

TEST(Archiver, LoadAndSaveStatuses) {
    QTemporaryDir dir;
    auto a = make(TArchiver::CreateWithPath(dir.filePath("missing.plist")));
    a->SetIntegerValue("kept", 1);
    EXPECT_EQ(a->Load(), -1); // missing file: contents kept
    EXPECT_EQ(a->GetIntegerValue("kept"), 1);

    const QString noise = dir.filePath("noise.plist");
    QFile f(noise);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x01\x02 this is not a property list \xff");
    f.close();
    a->SetPath(noise);
    EXPECT_EQ(a->Load(), -1); // unparsable: emptied
    EXPECT_EQ(a->Count(), 0);

    const QString arrayRoot = dir.filePath("array.plist");
    QFile g(arrayRoot);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write(PlistCodec::toXml(QVariantList{1, 2}));
    g.close();
    a->SetIntegerValue("kept", 1);
    a->SetPath(arrayRoot);
    EXPECT_EQ(a->Load(), -1); // a root that is not a dictionary
    EXPECT_EQ(a->Count(), 0);

    a->SetIntegerValue("v", 1);
    EXPECT_EQ(a->Save(QString()), -3);
    EXPECT_EQ(a->Save(dir.path()), -3); // a folder
    EXPECT_EQ(a->Save(QStringLiteral("relative.plist")), -3);
    EXPECT_EQ(a->Save(dir.filePath("noise.plist/inside")), -1); // parent is a file

    // A value with no property-list form: nothing is written, the old file stays whole.
    const QString target = dir.filePath("target.plist");
    ASSERT_EQ(a->Save(target), 0);
    const QByteArray before = readAll(target);
    a->SetValue("bad", QPoint(1, 2));
    EXPECT_TRUE(a->CopyXMLData().isNull());
    EXPECT_EQ(a->Save(target, true), -2);
    EXPECT_EQ(readAll(target), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).filter("target").size(), 1); // no temporary left
}

TEST(Archiver, SaveIntoReadOnlyFolderKeepsOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    QTemporaryDir dir;
    const QString target = dir.filePath("card.qxcard");
    auto a = make(TArchiver::Create());
    a->SetStringValue("title", "old");
    ASSERT_EQ(a->Save(target), 0);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    a->SetStringValue("title", "new");
    EXPECT_EQ(a->Save(target), -1);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto b = make(TArchiver::CreateWithPath(target));
    ASSERT_EQ(b->Load(), 0);
    EXPECT_EQ(b->GetStringValue("title"), "old");
}

TEST(Archiver, ConstructorsFromDataAndDictionary) {
    auto fromData = make(TArchiver::CreateWithXMLData(PlistCodec::toXml(QVariantMap{{"k", 1}})));
    EXPECT_EQ(fromData->GetIntegerValue("k"), 1);
    auto fromBad = make(TArchiver::CreateWithXMLData("nonsense"));
    EXPECT_EQ(fromBad->Count(), 0);
    auto fromDict = make(TArchiver::CreateWithDictionary({{"a", QVariantMap{{"b", 2}}}}));
    EXPECT_EQ(fromDict->GetValue("/a/b").toInt(), 2);
    int context = 0;
    fromDict->SetContext(&context);
    auto nested = make(fromDict->CopyArchive("a"));
    EXPECT_EQ(nested->GetContext(), &context);
    auto fromFile = make(TArchiver::CreateWithFile(FSRef{}));
    EXPECT_EQ(fromFile->Load(), -1);
    EXPECT_TRUE(fromFile->GetFile().isNull());
    EXPECT_EQ(fromFile->Save(FSRef{}), -3);
}

TEST(Archiver, SaveTakesAPathGivenAsCharacters) {
    static_assert(savesWith<const char*> && savesWith<char*> && savesWith<bool>);
    static_assert(!savesWith<const char16_t*> && !savesWith<const QChar*> && !savesWith<const int*>);
    QTemporaryDir dir;
    auto a = make(TArchiver::Create());
    a->SetIntegerValue("n", 1);
    const QByteArray path = dir.filePath("b.plist").toUtf8();
    EXPECT_EQ(a->Save(path.constData()), 0);
    EXPECT_EQ(PlistCodec::decode(readAll(path)).toMap().value("n"), 1);
    std::string other = dir.filePath("c.plist").toStdString();
    EXPECT_EQ(a->Save(other.data()), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(other)));
    EXPECT_TRUE(a->GetPath().isEmpty());
}

TEST(Archiver, SavingLeavesTheDictionaryAndItsLinksAsTheyAre) {
    QTemporaryDir dir;
    auto parent = make(TArchiver::Create());
    auto child = make(TArchiver::Create());
    parent->SetStringValue("title", "card");
    child->SetStringValue("late", "before");
    parent->SetArchive("child", child.get());
    parent->AppendArchive(child.get());
    const QVariantMap before = parent->CFType();
    ASSERT_EQ(parent->Save(dir.filePath("card.plist")), 0);
    EXPECT_EQ(parent->CFType(), before);
    // Still shared after the save: a change through the child shows in the next save.
    child->SetStringValue("late", "after");
    EXPECT_EQ(parent->GetValue("/child/late").toString(), "after");
    const QVariantMap written = PlistCodec::decode(parent->CopyXMLData()).toMap();
    EXPECT_EQ(written["child"].toMap()["late"].toString(), "after");
    EXPECT_EQ(written["system.objects"].toList().value(0).toMap()["late"].toString(), "after");
}

TEST(Archiver, AnArchiveIsNeverStoredInsideItself) {
    // A loop could be neither written nor freed: storing one stores nothing, and every archive here
    // is freed at the end (the leak check sees any loop left behind).
    QTemporaryDir dir;
    auto a = make(TArchiver::Create());
    auto b = make(TArchiver::Create());
    auto c = make(TArchiver::Create());
    auto shared = make(TArchiver::Create());
    a->SetStringValue("name", "a");
    a->SetArchive("self", a.get());
    a->AppendArchive(a.get());
    EXPECT_EQ(a->CFType(), (QVariantMap{{"name", QString("a")}}));
    EXPECT_EQ(a->Save(dir.filePath("a.plist")), 0);

    // Further down: a holds b, which holds c; neither b nor c may take a, by key or in its list.
    a->SetArchive("b", b.get());
    b->SetArchive("c", c.get());
    b->AppendArchive(a.get());
    c->SetArchive("a", a.get());
    c->AppendArchive(b.get());
    EXPECT_FALSE(b->HasIndexedObjects());
    EXPECT_EQ(c->Count(), 0);
    EXPECT_FALSE(a->CopyXMLData().isNull());

    // One archive stored twice is no loop.
    shared->SetIntegerValue("n", 7);
    a->SetArchive("first", shared.get());
    c->SetArchive("second", shared.get());
    const QVariantMap back = PlistCodec::decode(a->CopyXMLData()).toMap();
    EXPECT_EQ(back["first"].toMap()["n"], 7);
    EXPECT_EQ(back["b"].toMap()["c"].toMap()["second"].toMap()["n"], 7);
}
