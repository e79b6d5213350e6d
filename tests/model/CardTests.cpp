#include "ModelFakes.h"
#include "foundation/Archiver.h"
#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/Memoleaf.h"
#include "model/Preferences.h"
#include "model/Stack.h"
#include "model/Task.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/PlistCodec.h"
#include "platform/UserDefaults.h"
#include "platform/text/RTFDCodec.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString fixture(const QString& name) {
    return QStringLiteral(JOBSLATE_FIXTURES "/model/") + name;
}

QVariantMap readPlist(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return PlistCodec::decode(file.readAll()).toMap();
}

template <class T> Ref<T> load(const QString& path) {
    TArchiver* archiver = TArchiver::CreateWithPath(path);
    EXPECT_EQ(archiver->Load(), 0);
    TObject* object = AllocateFromArchive(archiver, nullptr);
    archiver->Release();
    EXPECT_TRUE(object && object->IsMember(T::StaticClass())) << path.toStdString();
    return Ref<T>::adopt(static_cast<T*>(object));
}

QVariantMap encode(TObject* object) {
    TArchiver* archiver = object->CopyArchive();
    const QVariantMap dictionary = archiver->CFType();
    archiver->Release();
    return dictionary;
}

std::string xml(const QVariant& value) {
    return PlistCodec::toXml(value).toStdString();
}

class CardTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        NotificationCenter::defaultCenter().addObserver(this, kCardModifiedNotification, nullptr,
                                                        [this](const Notification&) { ++notices; });
    }
    void TearDown() override {
        NotificationCenter::defaultCenter().removeObserver(this);
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("defaults.plist")};
    int notices = 0;
    Diagnostics::Capture capture;
};

TEST_F(CardTest, NewCardIsModifiedOnceAndSettersMarkOnlyChanges) {
    Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Plans")));
    EXPECT_TRUE(card->IsModified());
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(card->GetTabIdentifiers(), QStringList{card->GetUUID()});
    EXPECT_EQ(card->GetSelectedTabIdentifier(), card->GetUUID());
    EXPECT_EQ(card->GetUUID(), card->GetUUID().toUpper());
    EXPECT_EQ(card->GetFrame(), QRectF(0, 0, 400, 300));
    EXPECT_EQ(card->GetPreviewImage().size(), QSize(400, 300));
    EXPECT_EQ(card->GetThemeName(), "Default");

    struct Setter {
        const char* name;
        std::function<void(TCard&)> same, changed;
    };
    const Setter setters[] = {
        {"title", [](TCard& c) { c.SetTitle(c.GetTitle()); }, [](TCard& c) { c.SetTitle("Other"); }},
        {"color", [](TCard& c) { c.SetColor(c.GetColor()); }, [](TCard& c) { c.SetColor(Qt::darkBlue); }},
        {"frame", [](TCard& c) { c.SetFrame(c.GetFrame()); },
         [](TCard& c) {
             c.SetFrame({1, 2, 3, 4});
         }},
        {"split", [](TCard& c) { c.SetSplitViewPosition(c.GetSplitViewPosition()); },
         [](TCard& c) { c.SetSplitViewPosition(90); }},
        {"restore", [](TCard& c) { c.SetSplitViewRestorePosition(c.GetSplitViewRestorePosition()); },
         [](TCard& c) { c.SetSplitViewRestorePosition(91); }},
        {"bar", [](TCard& c) { c.SetBottomBarHidden(c.IsBottomBarHidden()); },
         [](TCard& c) { c.SetBottomBarHidden(!c.IsBottomBarHidden()); }},
        {"tab", [](TCard& c) { c.SetSelectedTabIdentifier(""); },
         [](TCard& c) { c.SetSelectedTabIdentifier("X"); }},
        {"float", [](TCard& c) { c.SetFloating(c.IsFloating()); }, [](TCard& c) { c.SetFloating(true); }},
        {"mini", [](TCard& c) { c.SetMiniaturized(c.IsMiniaturized()); },
         [](TCard& c) { c.SetMiniaturized(true); }},
        {"tabs", [](TCard& c) { c.SetTabIdentifiers(c.GetTabIdentifiers()); },
         [](TCard& c) {
             c.SetTabIdentifiers({c.GetUUID(), "T"});
         }},
        {"add tab", [](TCard& c) { c.AddTabIdentifier(c.GetUUID()); },
         [](TCard& c) { c.AddTabIdentifier("N"); }},
        {"theme", [](TCard& c) { c.SetTheme(c.GetTheme()); }, nullptr},
    };
    for (const Setter& setter : setters) {
        Ref<TCard> fresh = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Fresh")));
        fresh->SetModified(false);
        const QDateTime stamp = fresh->GetModifiedDate();
        notices = 0;
        setter.same(*fresh);
        EXPECT_FALSE(fresh->IsModified()) << setter.name;
        EXPECT_EQ(fresh->GetModifiedDate(), stamp) << setter.name;
        EXPECT_EQ(notices, 0) << setter.name;
        if (!setter.changed) continue;
        setter.changed(*fresh);
        EXPECT_TRUE(fresh->IsModified()) << setter.name;
        setter.changed(*fresh); // already modified: no second notice
        EXPECT_EQ(notices, 1) << setter.name;
    }
}

// A card's colour components lie in 0..1 however the colour came: a default colour lightened past 1, an
// extended colour, a file's value. A value read from a file and left unchanged is written back as stored.
TEST_F(CardTest, ColourComponentsStayWithinZeroAndOne) {
    const auto named = [](const char* name) {
        for (const QVariant& entry : DefaultCardColors())
            if (entry.toMap()["name"].toString() == name) return entry.toMap()["color"].value<QColor>();
        return QColor();
    };
    QColor extended = QColor::fromRgbF(0, 0, 0).toExtendedRgb();
    extended.setRedF(1.18f);
    extended.setGreenF(-0.25f);
    extended.setBlueF(0.5f);
    struct Case {
        const char* name;
        QColor colour;
        float red, green, blue;
    };
    const Case cases[] = {
        {"Purple", named("Purple"), 0.947f, 0.888f, 1.0f},
        {"Yellow", named("Yellow"), 1.0f, 1.0f, 0.883f},
        {"extended", extended, 1.0f, 0.0f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("c")));
        card->SetColor(c.colour);
        const QVariantMap stored = encode(card.get());
        for (const char* part : {"red", "green", "blue", "alpha"}) {
            const double value = stored[QStringLiteral("color.") + part].toDouble();
            EXPECT_GE(value, 0.0) << part;
            EXPECT_LE(value, 1.0) << part;
        }
        EXPECT_NEAR(stored["color.red"].toDouble(), c.red, 1e-3);
        EXPECT_NEAR(stored["color.green"].toDouble(), c.green, 1e-3);
        EXPECT_NEAR(stored["color.blue"].toDouble(), c.blue, 1e-3);
    }

    // Read from a file holding 1.192: 1 here; unchanged, the file's value goes back; changed, the new one.
    QVariantMap file = encode(Ref<TCard>::adopt(TCard::Create(QStringLiteral("c"))).get());
    file["color.red"] = 1.192;
    file["color.green"] = 1.5;
    TArchiver* archiver = TArchiver::CreateWithDictionary(file);
    Ref<TCard> read = Ref<TCard>::adopt(static_cast<TCard*>(AllocateFromArchive(archiver, nullptr)));
    archiver->Release();
    ASSERT_NE(read.get(), nullptr);
    EXPECT_EQ(read->GetColor().redF(), 1.0f);
    EXPECT_EQ(encode(read.get())["color.red"].toDouble(), 1.192);
    read->SetColor(QColor::fromRgbF(0.5f, 1.0f, 0.25f));
    EXPECT_NEAR(encode(read.get())["color.red"].toDouble(), 0.5, 1e-4);
    EXPECT_EQ(encode(read.get())["color.green"].toDouble(), 1.0);
}

TEST_F(CardTest, NewCardsNeverTakeTheLastColourAtRandom) {
    const QColor white = DefaultCardColors().last().toMap()["color"].value<QColor>();
    for (int i = 0; i < 200; ++i) {
        Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("c")));
        ASSERT_NE(card->GetColor().rgb(), white.rgb());
    }
    UserDefaultsUtilities::setColorForKey(defaults, QColor(10, 20, 30), kPreferenceKeyDefaultCardColor);
    Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("c")));
    EXPECT_EQ(card->GetColor().toRgb(), QColor(10, 20, 30));
}

TEST_F(CardTest, FixturesLoadAndSaveWithoutLoss) {
    for (const char* name : {"outline.qxcard", "richtext.qxcard", "stack.qxcard", "newer.qxcard"}) {
        notices = 0;
        Ref<TCard> card = load<TCard>(fixture(name));
        ASSERT_TRUE(card);
        EXPECT_FALSE(card->IsModified()) << name; // loading is no change
        EXPECT_EQ(notices, 0) << name;
        EXPECT_EQ(card->GetModifiedDate(), QDateTime(QDate(2025, 3, 2), QTime(17, 5, 12), Qt::UTC)) << name;
        EXPECT_EQ(xml(encode(card.get())), xml(readPlist(fixture(name)))) << name;
    }
}

TEST_F(CardTest, OutlineFixtureReadsEveryRowKind) {
    Ref<TListCard> card = load<TListCard>(fixture("outline.qxcard"));
    EXPECT_EQ(card->GetColor().redF(), 1.0f); // 1.192 in the file: clamped, and written back as stored
    TObjectArray* rows = card->GetAllItems();
    QStringList classes;
    for (TObject* row : *rows) classes << row->ClassName();
    EXPECT_EQ(classes, (QStringList{"TListItem", "TListItem", "TListItem", "TSeperatorItem", "TURLAttachment",
                                    "TFileAttachment", "TMailAttachment", "TImageAttachment",
                                    "TCardAttachment", "TListItem"}));
    auto* groceries = static_cast<TListItem*>(card->GetRoot()->GetChild(0));
    EXPECT_EQ(groceries->GetPlainText(), "Groceries");
    EXPECT_EQ(groceries->GetNotes(), "weekly");
    auto* file = static_cast<TFileAttachment*>(card->GetRoot()->GetChild(3));
    EXPECT_EQ(file->GetPath(), QDir::homePath() + "/Documents/plan.txt");
    auto* image = static_cast<TImageAttachment*>(card->GetRoot()->GetChild(5));
    EXPECT_EQ(image->GetImageSize(), QSizeF(3, 2));
    EXPECT_EQ(image->GetPlainText(), "");
    auto* embedded = static_cast<TCardAttachment*>(card->GetRoot()->GetChild(6));
    ASSERT_NE(embedded->GetCard(), nullptr);
    EXPECT_EQ(embedded->GetCard()->GetAttachedParent(), embedded);

    // Reading a text keeps its bytes; an edit writes new ones.
    const QByteArray before = encode(card.get())["root"]
                                  .toMap()["children"]
                                  .toMap()["system.objects"]
                                  .toList()[0]
                                  .toMap()["text"]
                                  .toByteArray();
    groceries->GetText();
    const QVariantMap after = encode(card.get());
    EXPECT_EQ(
        after["root"].toMap()["children"].toMap()["system.objects"].toList()[0].toMap()["text"].toByteArray(),
        before);
    groceries->SetText(QStringLiteral("Shopping"));
    const QByteArray edited = encode(card.get())["root"]
                                  .toMap()["children"]
                                  .toMap()["system.objects"]
                                  .toList()[0]
                                  .toMap()["text"]
                                  .toByteArray();
    EXPECT_NE(edited, before);
    EXPECT_EQ(RTFDCodec::read(edited)->plainText(), "Shopping");
}

// Unknown keys come back as read wherever they sort among the known ones, and so does a known key kept
// because it could not be read; a known number is written back exactly as stored.
TEST(KeptArchiveKeys, TakeKeepAndRestore) {
    const QVariantMap stored{{"a", 1}, {"b", 0.1}, {"c", "x"}, {"d", "text"}, {"e", QVariantList{1, 2}}};
    TArchiver* archiver = TArchiver::CreateWithDictionary(stored);
    KeptArchiveKeys kept;
    kept.take(archiver, QSet<QString>{"b", "d"});
    EXPECT_TRUE(kept.keeps("a") && kept.keeps("c") && kept.keeps("e"));
    EXPECT_FALSE(kept.keeps("b") || kept.keeps("d"));
    kept.keep(archiver, "d");
    kept.keep(archiver, "a"); // kept already: once
    TArchiver* written = TArchiver::Create();
    kept.restore(written);
    kept.writeReal(written, "b", 0.1);
    kept.writeReal(written, "f", 0.1); // never read: as a float
    EXPECT_EQ(written->Count(), 6);
    for (const char* key : {"a", "b", "c", "d", "e"}) EXPECT_EQ(written->GetValue(key), stored[key]) << key;
    EXPECT_EQ(written->GetValue("f").toDouble(), double(0.1f));
    written->Release();
    archiver->Release();
}

TEST_F(CardTest, UnknownThemesAndKeysSurviveAnEdit) {
    Ref<TListCard> card = load<TListCard>(fixture("newer.qxcard"));
    EXPECT_EQ(card->GetTheme()->GetName(), "Default");
    EXPECT_EQ(card->GetThemeName(), "Not Installed Here");
    card->SetTitle("Edited here");
    static_cast<TListItem*>(card->GetRoot()->GetChild(0))->SetText(QStringLiteral("Changed"));
    const QVariantMap saved = encode(card.get());
    EXPECT_EQ(saved["theme"].toString(), "Not Installed Here");
    EXPECT_EQ(saved["future.version"].toInt(), 7);
    EXPECT_EQ(saved["futureLayout"].toMap()["name"].toString(), "grid");
    const QVariantMap row = saved["root"].toMap()["children"].toMap()["system.objects"].toList()[0].toMap();
    EXPECT_EQ(row["futureTags"].toList().size(), 2);
    EXPECT_TRUE(row["future.flag"].toBool());
}

TEST_F(CardTest, RowsWithoutViewsAndEmbeddedCardsMarkTheirCard) {
    Ref<TListCard> card = load<TListCard>(fixture("outline.qxcard"));
    auto* milk = static_cast<TListItem*>(card->GetRoot()->GetChild(0)->GetChild(0));
    milk->SetText(QStringLiteral("Oat milk"));
    EXPECT_TRUE(card->IsModified());
    EXPECT_EQ(notices, 1);

    card->SetModified(false);
    auto* embedded = static_cast<TCardAttachment*>(card->GetRoot()->GetChild(6));
    static_cast<TMemoleaf*>(embedded->GetCard())->SetText(QStringLiteral("New note"));
    EXPECT_TRUE(card->IsModified());

    card->SetModified(false);
    card->GetRoot()->GetChild(0)->SetExpanded(false);
    EXPECT_TRUE(card->IsModified());

    // A free row marks nothing.
    Ref<TListItem> free = Ref<TListItem>::adopt(TListItem::Create(QStringLiteral("x")));
    free->SetText(QStringLiteral("y"));
    EXPECT_EQ(free->GetCard(), nullptr);
}

TEST_F(CardTest, EmbeddedCardsMarkTheirHolderAfterEverySave) {
    // GIVEN a loaded card whose embedded card was edited and the card then saved (its flag cleared)
    Ref<TListCard> card = load<TListCard>(fixture("outline.qxcard"));
    auto* embedded =
        static_cast<TMemoleaf*>(static_cast<TCardAttachment*>(card->GetRoot()->GetChild(6))->GetCard());
    embedded->SetText(QStringLiteral("First"));
    ASSERT_TRUE(card->IsModified());
    card->ClearModifiedForAll();
    // WHEN the embedded card changes again
    embedded->SetText(QStringLiteral("Second"));
    // THEN the holder is marked again
    EXPECT_TRUE(card->IsModified());

    // A new card (modified from the start) embedded in a row marks its holder too.
    Ref<TMemoleaf> fresh = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("fresh")));
    Ref<TCardAttachment> row = Ref<TCardAttachment>::adopt(TCardAttachment::Create(fresh.get()));
    card->GetRoot()->AddChild(row.get());
    card->ClearModifiedForAll();
    fresh->SetRichText(false);
    EXPECT_TRUE(card->IsModified());

    // A card embedded in its own outline marks itself once and stops.
    Ref<TListCard> loop = Ref<TListCard>::adopt(TListCard::Create(QStringLiteral("loop")));
    Ref<TCardAttachment> self = Ref<TCardAttachment>::adopt(TCardAttachment::Create(loop.get()));
    loop->GetRoot()->AddChild(self.get());
    loop->ClearModifiedForAll();
    loop->SetTitle(QStringLiteral("again"));
    EXPECT_TRUE(loop->IsModified());
    loop->GetRoot()->RemoveAllChildren(); // breaks the reference loop
}

TEST_F(CardTest, LoadedColourSetAgainIsNoChange) {
    Ref<TListCard> card = load<TListCard>(fixture("outline.qxcard"));
    card->SetColor(card->GetColor());
    EXPECT_FALSE(card->IsModified());
    EXPECT_EQ(notices, 0);
    EXPECT_EQ(xml(encode(card.get())), xml(readPlist(fixture("outline.qxcard"))));
}

TEST_F(CardTest, ThemeChoiceOverAnUninstalledThemeMarksTheCard) {
    Ref<TListCard> card = load<TListCard>(fixture("newer.qxcard"));
    ASSERT_EQ(card->GetThemeName(), "Not Installed Here");
    card->SetTheme(card->GetTheme()); // the user picks "Default", which the card is drawn with
    EXPECT_TRUE(card->IsModified());
    EXPECT_EQ(encode(card.get())["theme"].toString(), "Default");
}

TEST_F(CardTest, ChildrenOfTheWrongKindAreDropped) {
    // GIVEN a card whose tabs hold a row, and a row whose children hold a card
    Ref<TListCard> source = Ref<TListCard>::adopt(TListCard::Create(QStringLiteral("s")));
    Ref<TListItem> row = Ref<TListItem>::adopt(TListItem::Create(QStringLiteral("row")));
    Ref<TCard> tab = Ref<TCard>::adopt(TCard::Create(QStringLiteral("tab")));
    const QVariantMap rowArchive = encode(row.get());
    const QVariantMap tabArchive = encode(tab.get());
    QVariantMap dictionary = encode(source.get());
    QVariantMap children = dictionary["children"].toMap();
    children["system.objects"] = QVariantList{rowArchive, tabArchive};
    dictionary["children"] = children;
    QVariantMap root = dictionary["root"].toMap();
    QVariantMap hostileRow = rowArchive;
    QVariantMap rowChildren = hostileRow["children"].toMap();
    rowChildren["system.objects"] = QVariantList{tabArchive, rowArchive};
    hostileRow["children"] = rowChildren;
    QVariantMap rootChildren = root["children"].toMap();
    rootChildren["system.objects"] = QVariantList{hostileRow};
    root["children"] = rootChildren;
    dictionary["root"] = root;
    // WHEN it is read
    TArchiver* archiver = TArchiver::CreateWithDictionary(dictionary);
    Ref<TListCard> card =
        Ref<TListCard>::adopt(static_cast<TListCard*>(AllocateFromArchive(archiver, nullptr)));
    archiver->Release();
    // THEN tabs are cards and rows are rows, so walking them as such is safe
    ASSERT_TRUE(card);
    ASSERT_EQ(card->ChildCount(), 1);
    EXPECT_TRUE(card->GetChild(0)->IsMember(TCard::StaticClass()));
    ASSERT_EQ(card->GetRoot()->ChildCount(), 1);
    TTreeNode* kept = card->GetRoot()->GetChild(0);
    ASSERT_EQ(kept->ChildCount(), 1);
    EXPECT_TRUE(kept->GetChild(0)->IsMember(TListItem::StaticClass()));
    EXPECT_FALSE(card->IsModified());
    for (TObject* node : *card->GetAllChildrenIncludingSelf())
        EXPECT_FALSE(static_cast<TCard*>(node)->IsModified());
}

TEST_F(CardTest, PreviewOfAHugeOrBrokenFrameStaysSmall) {
    Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("p")));
    const QRectF frames[] = {{0, 0, 1e6, 10}, {0, 0, 20, 1e300}, {0, 0, qQNaN(), 50}, {0, 0, -5, 10}};
    for (const QRectF& frame : frames) {
        card->SetFrame(frame);
        const QSize size = card->GetPreviewImage().size();
        EXPECT_LE(size.width(), 8192) << frame.width();
        EXPECT_LE(size.height(), 8192) << frame.width();
    }
}

TEST_F(CardTest, CardsAndRootsOfUnknownKindsAreWrittenBack) {
    // GIVEN a card whose root row and an embedded card are of kinds this version lacks
    QVariantMap dictionary = readPlist(fixture("outline.qxcard"));
    QVariantMap root = dictionary["root"].toMap();
    QVariantMap rootChildren = root["children"].toMap();
    QVariantList rows = rootChildren["system.objects"].toList();
    QVariantMap attachment = rows[6].toMap();
    QVariantMap embedded = attachment["card"].toMap();
    embedded["system.class"] = QStringLiteral("TFutureCard");
    attachment["card"] = embedded;
    rows[6] = attachment;
    rootChildren["system.objects"] = rows;
    root["children"] = rootChildren;
    dictionary["root"] = root;
    QVariantMap futureRoot = dictionary;
    futureRoot["root"] = QVariantMap{{"system.class", "TFutureRoot"}, {"payload", 42}};
    for (const QVariantMap& archive : {dictionary, futureRoot}) {
        TArchiver* archiver = TArchiver::CreateWithDictionary(archive);
        Ref<TListCard> card =
            Ref<TListCard>::adopt(static_cast<TListCard*>(AllocateFromArchive(archiver, nullptr)));
        archiver->Release();
        ASSERT_TRUE(card);
        // WHEN it is edited and saved
        card->SetTitle(QStringLiteral("Edited"));
        QVariantMap saved = encode(card.get());
        // THEN what could not be read is written back as it was
        EXPECT_EQ(xml(saved["root"]), xml(archive["root"]));
        saved["title"] = archive["title"];
        saved["modifiedDate"] = archive["modifiedDate"];
        EXPECT_EQ(xml(saved), xml(archive));
    }
}

TEST_F(CardTest, UnknownKeysOfNestedRowsAreWrittenBackAsRead) {
    // GIVEN a card whose first row and that row's first child carry keys this version does not read,
    // one of them named like a path
    QVariantMap dictionary = readPlist(fixture("outline.qxcard"));
    const QVariantMap unknown{{"/odd/name", QStringLiteral("kept")},
                              {"future.map", QVariantMap{{"list", QVariantList{1, 2.5, "three"}}}}};
    const auto withUnknown = [&](QVariantMap row, const auto& inner) {
        for (auto it = unknown.begin(); it != unknown.end(); ++it) row.insert(it.key(), it.value());
        QVariantMap children = row["children"].toMap();
        QVariantList list = children["system.objects"].toList();
        if (list.isEmpty()) return row;
        list[0] = inner(list[0].toMap());
        children["system.objects"] = list;
        row["children"] = children;
        return row;
    };
    QVariantMap root = dictionary["root"].toMap();
    root = withUnknown(root, [&](const QVariantMap& row) {
        return withUnknown(
            row, [&](const QVariantMap& child) { return withUnknown(child, [](auto r) { return r; }); });
    });
    dictionary["root"] = root;
    // WHEN it is read and written again, unedited and after an edit of that row
    for (bool edit : {false, true}) {
        TArchiver* archiver = TArchiver::CreateWithDictionary(dictionary);
        Ref<TListCard> card =
            Ref<TListCard>::adopt(static_cast<TListCard*>(AllocateFromArchive(archiver, nullptr)));
        archiver->Release();
        ASSERT_TRUE(card);
        auto* row = static_cast<TListItem*>(card->GetRoot()->GetChild(0));
        ASSERT_TRUE(row && row->HasChildren());
        if (edit) row->SetText(QStringLiteral("Edited"));
        const QVariantMap saved = encode(card.get());
        // THEN every unknown key comes back as it was, at every depth
        const QVariantMap savedRow =
            saved["root"].toMap()["children"].toMap()["system.objects"].toList()[0].toMap();
        const QVariantMap savedChild = savedRow["children"].toMap()["system.objects"].toList()[0].toMap();
        for (const QVariantMap& archive : {saved["root"].toMap(), savedRow, savedChild})
            for (auto it = unknown.begin(); it != unknown.end(); ++it)
                EXPECT_EQ(xml(archive.value(it.key())), xml(it.value())) << it.key().toStdString() << edit;
        if (edit)
            EXPECT_EQ(RTFDCodec::read(savedRow["text"].toByteArray())->plainText(), "Edited");
        else
            EXPECT_EQ(xml(saved), xml(dictionary));
    }
}

TEST_F(CardTest, DeepCopyTakesNewIdentities) {
    Ref<TListCard> card = load<TListCard>(fixture("outline.qxcard"));
    Ref<TListCard> copy = Ref<TListCard>::adopt(static_cast<TListCard*>(card->Copy()));
    EXPECT_NE(copy->GetUUID(), card->GetUUID());
    EXPECT_EQ(copy->GetTabIdentifiers(), QStringList{copy->GetUUID()});
    EXPECT_EQ(copy->GetTitle(), card->GetTitle());
    EXPECT_EQ(copy->GetFrame(), card->GetFrame());
    QSet<QString> uuids;
    for (TObject* row : *card->GetAllItems()) uuids.insert(static_cast<TCardItem*>(row)->GetUUID());
    TObjectArray* copied = copy->GetAllItems();
    ASSERT_EQ(copied->Count(), 10);
    for (TObject* row : *copied) EXPECT_FALSE(uuids.contains(static_cast<TCardItem*>(row)->GetUUID()));
    auto* embedded = static_cast<TCardAttachment*>(copy->GetRoot()->GetChild(6));
    EXPECT_NE(embedded->GetCard()->GetUUID(), "5D1B7C1E-0000-4000-8000-00000000000A");
    // The copy's rows mark the copy, not the source.
    card->SetModified(false);
    copy->SetModified(false);
    static_cast<TListItem*>(copy->GetRoot()->GetChild(0))->SetText(QStringLiteral("Changed"));
    EXPECT_TRUE(copy->IsModified());
    EXPECT_FALSE(card->IsModified());
    // A copied embedded card is free.
    Ref<TCard> loose = Ref<TCard>::adopt(static_cast<TCard*>(embedded->GetCard()->Copy()));
    EXPECT_EQ(loose->GetAttachedParent(), nullptr);
}

TEST_F(CardTest, StackKeepsItsSheetWithoutTheSheet) {
    Ref<TStack> stack = load<TStack>(fixture("stack.qxcard"));
    EXPECT_EQ(stack->GetSheetUUID(), "7E57AB1E-0000-4000-8000-000000000001");
    EXPECT_EQ(stack->GetSheet(), nullptr);
    EXPECT_EQ(encode(stack.get())["sheet"].toString(), "7E57AB1E-0000-4000-8000-000000000001");
    Ref<TStack> made = Ref<TStack>::adopt(TStack::Create("AB", "Holiday"));
    EXPECT_EQ(made->GetTitle(), "Holiday");
    EXPECT_EQ(encode(made.get())["sheet"].toString(), "AB");
}

TEST_F(CardTest, RichTextCard) {
    Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("n")));
    EXPECT_TRUE(card->IsRichText());
    EXPECT_TRUE(card->GetText().isEmpty());
    card->SetModified(false);
    card->SetText(card->GetText());
    EXPECT_TRUE(card->IsModified()); // every time
    Ref<TMemoleaf> loaded = load<TMemoleaf>(fixture("richtext.qxcard"));
    ASSERT_EQ(loaded->GetText().attachments().size(), 1);
    EXPECT_EQ(loaded->GetText().attachments()[0].fileName, "dot.png");
    EXPECT_EQ(loaded->GetPreviewImage().size(), QSize(4, 3));
    // The preview is written back as it was read, and a captured one replaces it.
    EXPECT_EQ(encode(loaded.get())["previewImage"], readPlist(fixture("richtext.qxcard"))["previewImage"]);
    QImage captured(6, 5, QImage::Format_ARGB32);
    captured.fill(Qt::red);
    loaded->SetPreviewImage(captured);
    EXPECT_TRUE(loaded->HasPreviewImage());
    EXPECT_EQ(loaded->GetPreviewImage().convertToFormat(QImage::Format_ARGB32), captured);
    loaded->SetPreviewImage(QImage());
    EXPECT_FALSE(loaded->HasPreviewImage());
    EXPECT_FALSE(encode(loaded.get()).contains("previewImage"));
    QVariantMap bare = readPlist(fixture("richtext.qxcard"));
    bare.remove("richText");
    TArchiver* archiver = TArchiver::CreateWithDictionary(bare);
    Ref<TMemoleaf> plain =
        Ref<TMemoleaf>::adopt(static_cast<TMemoleaf*>(AllocateFromArchive(archiver, nullptr)));
    archiver->Release();
    EXPECT_FALSE(plain->IsRichText());
}

TEST(ListMarkers, LettersRomanAndMarkers) {
    const std::pair<qint64, const char*> letters[] = {
        {1, "a"}, {26, "z"}, {27, "aa"}, {52, "az"}, {53, "aba"}, {702, "abcdefghijklmnopqrstuvwxyzz"}};
    for (const auto& [n, text] : letters) EXPECT_EQ(IntToLetter(n), QString::fromLatin1(text)) << n;
    for (qint64 n : {703, 1000, 100000, 1000000000}) {
        const QString result = IntToLetter(n);
        EXPECT_LE(result.size(), 255);
        for (QChar c : result) EXPECT_TRUE(c >= u'a' && c <= u'z') << n;
    }
    EXPECT_EQ(IntToRoman(1994), "MCMXCIV");
    EXPECT_EQ(IntToRoman(4000), "4000");

    RegisterModelClasses();
    Ref<TListItem> root = Ref<TListItem>::adopt(TListItem::Create(QStringLiteral("r")));
    QList<Ref<TListItem>> rows;
    for (int i = 0; i < 703; ++i) {
        rows.append(Ref<TListItem>::adopt(TListItem::Create(QStringLiteral("row"))));
        root->AddChild(rows.last().get());
    }
    Ref<TListItem> child = Ref<TListItem>::adopt(TListItem::Create(QStringLiteral("c")));
    rows[26]->AddChild(child.get());
    struct Case {
        qint32 numbering;
        int position;
        const char* marker;
    };
    const Case cases[] = {{0, 1, "-"},
                          {1, 27, "27)"},
                          {2, 27, "AA)"},
                          {3, 26, "z)"},
                          {3, 703, "abcdefghijklmnopqrstuvwxyzaa)"},
                          {4, 26, "XXVI)"},
                          {5, 702, "dccii)"},
                          {6, 27, "27)"}};
    for (const Case& c : cases) {
        root->SetRowNumbering(c.numbering);
        EXPECT_EQ(ListMarker(rows[c.position - 1].get(), "-", ")"), QString::fromLatin1(c.marker))
            << c.numbering;
    }
    rows[26]->SetRowNumbering(kRowNumberingOutline);
    EXPECT_EQ(ListMarker(child.get(), "*", ""), "27.1");
    rows[26]->SetRowNumbering(kRowNumberingNone);
    EXPECT_EQ(ListMarker(child.get(), "*", ")"), "*");
}

TEST_F(CardTest, ExportIndentsRowsAndSkipsRowsWithoutText) {
    Ref<TListCard> card = Ref<TListCard>::adopt(TListCard::Create(QStringLiteral("e")));
    auto add = [](TTreeNode* parent, TCardItem* item) {
        parent->AddChild(item);
        item->Release();
        return item;
    };
    TCardItem* top = add(card->GetRoot(), TListItem::Create(QStringLiteral("Top")));
    add(top, TListItem::Create(QStringLiteral("")));
    TCardItem* column = add(top, TCardItem::Create()); // exports nothing, its children still do
    add(column, TListItem::Create(QStringLiteral("Deep")));
    static_cast<TListItem*>(top)->SetMarkerString("1)");
    add(card->GetRoot(), TSeperatorItem::Create());
    EXPECT_EQ(card->ExportText()->plainText(), "1) Top\n\t\n\t\tDeep\n");
    const AttributedString styled = *card->ExportText();
    EXPECT_FALSE(styled.attributesAt(3).font.name.isEmpty()); // the rows keep their fonts
    defaults.setBoolForKey(true, kPreferenceKeyExportAsPlainText);
    const AttributedString plain = *card->ExportText();
    for (const AttributeRun& run : plain.runs()) EXPECT_TRUE(run.attributes.isEmpty());
}

} // namespace

namespace {

QByteArray pngOf(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The archive of a card whose picture rows hold the bytes and stored sizes given, as a file of
// another device would hold them.
QVariantMap pictureCard(const QList<std::pair<QByteArray, QSizeF>>& pictures) {
    Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Pictures")));
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        TImageAttachment* row = TImageAttachment::Create(QImage(1, 1, QImage::Format_RGB32));
        card->GetRoot()->AddChild(row);
        row->Release();
    }
    QVariantMap dictionary = encode(card.get());
    QVariantMap root = dictionary["root"].toMap();
    QVariantMap children = root["children"].toMap();
    QVariantList rows = children["system.objects"].toList();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QVariantMap row = rows[i].toMap();
        row["image"] = pictures[i].first;
        row["imageSize.width"] = pictures[i].second.width();
        row["imageSize.height"] = pictures[i].second.height();
        rows[i] = row;
    }
    children["system.objects"] = rows;
    root["children"] = children;
    dictionary["root"] = root;
    return dictionary;
}

Ref<TJobslate> decodeCard(const QVariantMap& dictionary) {
    TArchiver* archiver = TArchiver::CreateWithDictionary(dictionary);
    Ref<TJobslate> card =
        Ref<TJobslate>::adopt(static_cast<TJobslate*>(AllocateFromArchive(archiver, nullptr)));
    archiver->Release();
    return card;
}

QVariantList pictureRows(const QVariantMap& dictionary) {
    return dictionary["root"].toMap()["children"].toMap()["system.objects"].toList();
}

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

TEST_F(CardTest, PicturesOfOtherDevicesComeBackAsStoredAfterAnUnrelatedEdit) {
    // Bytes this build can't decode, and a picture stored at half its pixel size.
    const QByteArray heic = QByteArray("\0\0\0\x18"
                                       "ftypheic\0\0\0\0mif1heic",
                                       24) +
                            QByteArray(40, '\x5a');
    const QByteArray jpeg2000 = QByteArray("\0\0\0\x0c"
                                           "jP  \r\n\x87\n\0\0\0\x14"
                                           "ftypjp2 ",
                                           20) +
                                QByteArray(40, '\x33');
    const QByteArray pdf = QByteArrayLiteral("%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n%%EOF\n");
    const QByteArray twice = pngOf(QSize(48, 32));
    const QList<std::pair<QByteArray, QSizeF>> pictures = {
        {heic, QSizeF(24, 16)}, {jpeg2000, QSizeF(30, 20)}, {pdf, QSizeF(40, 50)}, {twice, QSizeF(24, 16)}};
    const char* names[] = {"HEIC", "JPEG 2000", "PDF", "PNG at twice its size"};

    Ref<TJobslate> card = decodeCard(pictureCard(pictures));
    ASSERT_TRUE(card);
    card->SetTitle(QStringLiteral("Edited elsewhere in the card"));
    const QVariantList rows = pictureRows(encode(card.get()));
    ASSERT_EQ(rows.size(), pictures.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QVariantMap row = rows[i].toMap();
        EXPECT_EQ(row["image"].toByteArray(), pictures[i].first) << names[i];
        EXPECT_EQ(row["imageSize.width"].toDouble(), pictures[i].second.width()) << names[i];
        EXPECT_EQ(row["imageSize.height"].toDouble(), pictures[i].second.height()) << names[i];
    }
    auto* shown = static_cast<TImageAttachment*>(card->GetRoot()->GetChild(3));
    EXPECT_EQ(shown->GetImagePixelSize(), QSize(48, 32));
    EXPECT_EQ(shown->GetImageSize(), QSizeF(24, 16));
    EXPECT_TRUE(static_cast<TImageAttachment*>(card->GetRoot()->GetChild(0))->GetImage().isNull());
}

TEST_F(CardTest, ACardOfLargePicturesDecodesNothingAtLoadAndOnlyWhatARowShows) {
    // GIVEN twelve pictures of 3000 × 3000 (36 MB each decoded) and one claiming 100000 × 100000
    const QByteArray large = pngOf(QSize(3000, 3000));
    QByteArray hostile = pngOf(QSize(1, 1));
    const char ihdr[] = {0, 1, char(0x86), char(0xa0), 0, 1, char(0x86), char(0xa0)}; // width, height
    hostile.replace(16, 8, QByteArray(ihdr, 8));
    const quint32 crc = crc32(hostile.mid(12, 17)); // over "IHDR" and its data
    const char sum[] = {char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)};
    hostile.replace(29, 4, QByteArray(sum, 4));
    QList<std::pair<QByteArray, QSizeF>> pictures(12, {large, QSizeF(3000, 3000)});
    pictures.append({hostile, QSizeF(100, 100)});
    const QVariantMap dictionary = pictureCard(pictures);

    // WHEN the card is read and laid out
    const qint64 before = residentBytes();
    Ref<TJobslate> card = decodeCard(dictionary);
    ASSERT_TRUE(card);
    for (TObject* row : *card->GetRoot()->GetChildren())
        static_cast<TImageAttachment*>(row)->GetImagePixelSize();

    // THEN no picture is held decoded (that would be 432 MB)
    EXPECT_LT(residentBytes() - before, qint64(64) * 1024 * 1024);
    auto* first = static_cast<TImageAttachment*>(card->GetRoot()->GetChild(0));
    EXPECT_EQ(first->GetImagePixelSize(), QSize(3000, 3000));
    // A row shows the picture decoded to its frame; one beyond the limit is not decoded at all.
    EXPECT_EQ(first->GetImage(QSize(400, 300)).size(), QSize(300, 300));
    auto* huge = static_cast<TImageAttachment*>(card->GetRoot()->GetChild(12));
    EXPECT_EQ(huge->GetImagePixelSize(), QSize(100000, 100000));
    EXPECT_TRUE(huge->GetImage().isNull());
    EXPECT_TRUE(huge->GetImage(QSize(400, 300)).isNull());
    EXPECT_EQ(pictureRows(encode(card.get()))[12].toMap()["image"].toByteArray(), hostile);
}

TEST_F(CardTest, APictureBeyondTheLimitAtFullSizeIsNotDecodedEvenForASmallFrame) {
    // GIVEN a valid PNG of 6000 × 6000 (144 MB decoded), which its reader decodes whole before scaling
    QImage image(6000, 6000, QImage::Format_Mono);
    image.fill(1);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    Ref<TJobslate> card = decodeCard(pictureCard({{png, QSizeF(100, 100)}}));
    ASSERT_TRUE(card);
    auto* row = static_cast<TImageAttachment*>(card->GetRoot()->GetChild(0));

    // THEN it is not decoded, not even for a row's small frame
    EXPECT_EQ(row->GetImagePixelSize(), QSize(6000, 6000));
    EXPECT_TRUE(row->GetImage(QSize(400, 300)).isNull());
}

} // namespace
