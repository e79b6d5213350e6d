#include "foundation/Archiver.h"
#include "foundation/Dictionary.h"
#include "platform/Diagnostics.h"

#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class DictionaryTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterFoundationClasses(); }
    AutoreleasePool pool;
};

TEST_F(DictionaryTest, ObjectDictionaryOwnsItsValues) {
    TObjectDictionary* dictionary = TObjectDictionary::Create();
    TObject* a = TObject::Create();
    TObject* b = TObject::Create();
    dictionary->SetValue("k", a);
    EXPECT_EQ(a->GetRetainCount(), 2);
    dictionary->AddValue("k", b); // present: kept
    EXPECT_EQ(dictionary->GetObjectValue("k"), a);
    EXPECT_EQ(b->GetRetainCount(), 1);
    dictionary->SetValue("k", b); // replaced: old one released
    EXPECT_EQ(a->GetRetainCount(), 1);
    EXPECT_EQ(b->GetRetainCount(), 2);
    dictionary->SetValue("other", a);
    EXPECT_TRUE(dictionary->ContainsObject(a));
    {
        AutoreleasePool inner; // the value array holds its own references until it drains
        EXPECT_EQ(dictionary->GetValues()->Count(), 2);
        EXPECT_EQ(dictionary->GetKeys()->CFType(), (QVariantList{"k", "other"}));
    }
    dictionary->Remove("other");
    EXPECT_EQ(a->GetRetainCount(), 1);

    TObjectDictionary* copy = static_cast<TObjectDictionary*>(dictionary->Copy());
    EXPECT_EQ(b->GetRetainCount(), 3);
    copy->Release();
    dictionary->Release();
    EXPECT_EQ(b->GetRetainCount(), 1);
    a->Release();
    b->Release();
}

TEST_F(DictionaryTest, TypedGettersTable) {
    TTypeDictionary* d = TTypeDictionary::Create();
    d->SetStringValue("str42", "42");
    d->SetStringValue("word", "abc");
    d->SetIntegerValue("int", 7);
    d->SetFloatValue("real", 2.5);
    d->SetBooleanValue("no", false);
    d->SetDataValue("data", QByteArray("xy"));
    struct Case {
        const char* key;
        qint32 integer;
        double real;
        QString string;
        bool boolean;
    };
    const Case cases[] = {
        {"str42", 42, 0.0, "42", true},  {"word", 0, 0.0, "abc", true}, {"int", 7, 7.0, "7", true},
        {"real", 0, 2.5, "", true},      {"no", 0, 0.0, "", false},     {"data", 0, 0.0, "", true},
        {"absent", -1, -1.0, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(d->GetIntegerValue(c.key), c.integer);
        EXPECT_EQ(d->GetFloatValue(c.key), c.real);
        EXPECT_EQ(d->GetStringValue(c.key), c.string);
        EXPECT_EQ(d->GetBooleanValue(c.key), c.boolean);
    }
    QByteArray bytes;
    EXPECT_TRUE(d->GetDataValue("data", &bytes));
    EXPECT_EQ(bytes, "xy");
    EXPECT_FALSE(d->GetDataValue("absent", &bytes));

    int target = 0;
    d->SetPointerValue("ptr", &target);
    EXPECT_EQ(d->GetPointerValue("ptr"), &target);
    EXPECT_EQ(d->GetPointerValue("absent"), nullptr);
    d->SetDataValue("eight", QByteArray("\x10\x20\x30\x40\x50\x60\x70\x01", 8)); // as read from outside
    EXPECT_EQ(d->GetPointerValue("eight"), nullptr);

    d->SetValue("list", QVariantList{1, "two"});
    TTypeArray* list = d->CopyArray("list");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->GetStringValue(1), "two");
    list->Release();
    EXPECT_EQ(d->CopyArray("int"), nullptr);
    d->AddKey("key");
    EXPECT_TRUE(d->ContainsKey("key"));
    d->Release();
}

TEST_F(DictionaryTest, EnumerationUsesOneSnapshotAndFreesIt) {
    TObjectDictionary* dictionary = TObjectDictionary::Create();
    QList<TObject*> objects;
    for (const char* key : {"a", "b", "c"}) {
        TObject* o = TObject::Create();
        dictionary->SetValue(key, o);
        objects << o;
        o->Release();
    }
    QStringList keys;
    while (dictionary->Enumerate()) {
        keys << dictionary->GetNextKey();
        TObject* value = dictionary->GetNextValue();
        EXPECT_EQ(value, dictionary->GetObjectValue(dictionary->GetNextKey()));
        EXPECT_EQ(value->GetRetainCount(), 2); // the snapshot holds one
    }
    EXPECT_EQ(keys, (QStringList{"a", "b", "c"}));
    for (TObject* o : objects) EXPECT_EQ(o->GetRetainCount(), 1);
    EXPECT_FALSE(dictionary->Enumerate() && dictionary->Enumerate() && dictionary->Enumerate() &&
                 dictionary->Enumerate());

    TTypeDictionary* empty = TTypeDictionary::Create();
    EXPECT_FALSE(empty->Enumerate());
    empty->Release();
    dictionary->Release(); // also drops a snapshot left by an interrupted walk
}

TEST_F(DictionaryTest, EnumerationPairsKeysWithTheirValuesAroundNulls) {
    TReferenceDictionary* dictionary = TReferenceDictionary::Create();
    int first = 1, last = 3;
    dictionary->SetValue("a", QVariant::fromValue(static_cast<void*>(&first)));
    dictionary->SetValue("b", QVariant::fromValue(static_cast<void*>(nullptr)));
    dictionary->SetValue("c", QVariant::fromValue(static_cast<void*>(&last)));
    QList<QPair<QString, void*>> pairs;
    while (dictionary->Enumerate()) pairs.append({dictionary->GetNextKey(), dictionary->GetNextValue()});
    const QList<QPair<QString, void*>> expected{{"a", &first}, {"b", nullptr}, {"c", &last}};
    EXPECT_EQ(pairs, expected);
    dictionary->Release();
}

TEST_F(DictionaryTest, EnumerationIsASnapshot) {
    TObjectDictionary* dictionary = TObjectDictionary::Create();
    QMap<QString, TObject*> objects;
    for (const char* key : {"a", "b", "c", "d"}) {
        objects.insert(key, TObject::Create());
        dictionary->SetValue(key, objects.value(key));
    }
    QStringList keys;
    while (dictionary->Enumerate()) {
        const QString key = dictionary->GetNextKey();
        keys << key;
        TObject* value = dictionary->GetNextValue();
        EXPECT_EQ(value, objects.value(key)) << key.toStdString();
        EXPECT_GE(value->GetRetainCount(), 2) << key.toStdString(); // alive through the snapshot
        if (key == "a") {
            dictionary->RemoveAll();
            dictionary->SetValue("a", objects.value("d"));
            dictionary->SetValue("z", objects.value("a"));
        }
    }
    EXPECT_EQ(keys, (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(dictionary->GetKeys()->CFType(), (QVariantList{"a", "z"}));
    dictionary->Release();
    for (TObject* o : objects) {
        EXPECT_EQ(o->GetRetainCount(), 1);
        o->Release();
    }

    TTypeDictionary* values = TTypeDictionary::Create();
    values->SetIntegerValue("one", 1);
    values->SetIntegerValue("two", 2);
    QList<qint32> seen;
    while (values->Enumerate()) {
        seen << values->GetNextIntegerValue();
        values->Remove("two");
        values->SetIntegerValue("one", 10);
    }
    EXPECT_EQ(seen, (QList<qint32>{1, 2}));
    values->Release();
}

TEST_F(DictionaryTest, DictionariesArchiveTheirEntries) {
    int local = 0;
    TTypeDictionary* types = TTypeDictionary::Create();
    types->SetIntegerValue("count", 2);
    types->SetStringValue("name", "Desk");
    types->SetPointerValue("here", &local); // never stored
    TArchiver* archive = types->CopyArchive();
    const QVariantMap expected{{"system.class", "TTypeDictionary"},
                               {"system.entries", QVariantMap{{"count", 2}, {"name", "Desk"}}}};
    EXPECT_EQ(archive->CFType(), expected);
    auto* back = static_cast<TTypeDictionary*>(AllocateFromXMLData(archive->CopyXMLData()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ClassName(), "TTypeDictionary");
    EXPECT_EQ(back->CFType(), (QVariantMap{{"count", 2}, {"name", "Desk"}}));
    back->Release();
    archive->Release();
    types->Release();

    TObjectDictionary* objects = TObjectDictionary::Create();
    TTypeArray* list = TTypeArray::CreateWithValues(QVariantList{1, "two"});
    TTypeDictionary* inner = TTypeDictionary::Create();
    inner->SetBooleanValue("on", true);
    objects->SetValue("list", list);
    objects->SetValue("/inner", inner); // a key that looks like a path
    archive = objects->CopyArchive();
    EXPECT_EQ(archive->GetValue("/system.entries/list/system.class").toString(), "TTypeArray");
    auto* objectsBack = static_cast<TObjectDictionary*>(AllocateFromXMLData(archive->CopyXMLData()));
    ASSERT_TRUE(objectsBack);
    ASSERT_EQ(objectsBack->Count(), 2);
    auto* listBack = static_cast<TTypeArray*>(objectsBack->GetObjectValue("list"));
    ASSERT_TRUE(listBack && listBack->IsMember(TTypeArray::StaticClass()));
    EXPECT_EQ(listBack->CFType(), list->CFType());
    EXPECT_EQ(listBack->GetRetainCount(), 1);
    auto* innerBack = static_cast<TTypeDictionary*>(objectsBack->GetObjectValue("/inner"));
    ASSERT_TRUE(innerBack && innerBack->IsMember(TTypeDictionary::StaticClass()));
    EXPECT_TRUE(innerBack->GetBooleanValue("on"));
    objectsBack->Release();
    archive->Release();
    objects->Release();
    inner->Release();
    list->Release();
}

TEST_F(DictionaryTest, EntryOfAnUnknownClassIsWrittenBackUnchanged) {
    const QVariantMap unknown{{"system.class", "TNoSuchThing"}, {"size", 3}};
    const QVariantMap archived{
        {"system.class", "TObjectDictionary"},
        {"system.entries",
         QVariantMap{{"odd", unknown}, {"plain", QVariantMap{{"system.class", "TObject"}}}}}};
    Diagnostics::Capture capture;
    auto* dictionary = static_cast<TObjectDictionary*>(AllocateFromDictionary(archived));
    ASSERT_TRUE(dictionary);
    EXPECT_EQ(dictionary->GetKeys()->CFType(), QVariantList{"plain"});
    TArchiver* again = dictionary->CopyArchive();
    EXPECT_EQ(again->CFType(), archived);
    again->Release();

    // Once the key holds an object, that object is written instead.
    TObject* replacement = TObject::Create();
    dictionary->SetValue("odd", replacement);
    replacement->Release();
    again = dictionary->CopyArchive();
    EXPECT_EQ(again->GetValue("/system.entries/odd").toMap(), (QVariantMap{{"system.class", "TObject"}}));
    again->Release();
    dictionary->Release();
}

TEST_F(DictionaryTest, ArrayClassThatIsNoArrayIsIgnored) {
    TTypeDictionary* dictionary = TTypeDictionary::Create();
    dictionary->SetIntegerValue("a", 1);
    dictionary->SetIntegerValue("b", 2);
    for (TObjectClass cls : {TObject::StaticClass(), TTypeDictionary::StaticClass()}) {
        SCOPED_TRACE(cls->name);
        EXPECT_EQ(dictionary->CopyKeys(cls), nullptr);
        EXPECT_EQ(dictionary->CopyValues(cls), nullptr);
        QStringList keys;
        while (dictionary->Enumerate(cls)) {
            keys << dictionary->GetNextKey();
            EXPECT_TRUE(dictionary->GetNextValue().isNull());
        }
        EXPECT_EQ(keys, (QStringList{"a", "b"}));
    }
    TArray* keys = dictionary->CopyKeys(nullptr); // no class: a TTypeArray
    ASSERT_TRUE(keys);
    EXPECT_TRUE(keys->IsMember(TTypeArray::StaticClass()));
    keys->Release();
    dictionary->Release();
}

TEST_F(DictionaryTest, PropertyListFilesAndStatuses) {
    QTemporaryDir dir;
    const FSRef folder{dir.path()};
    int status = 1;
    TPropertyList* list = TPropertyList::CreateInFolder("prefs.plist", folder, &status);
    EXPECT_EQ(status, 0);
    list->SetStringValue("name", "Desk");
    list->SetIntegerValue("count", 3);
    EXPECT_EQ(list->Save(), 0);
    list->Release();

    TPropertyList* back = TPropertyList::CreateWithFile(FSRef{dir.filePath("prefs.plist")}, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(back->GetStringValue("name"), "Desk");
    EXPECT_EQ(back->GetIntegerValue("count"), 3);
    EXPECT_EQ(back->SaveAs("copy.plist", folder), 0);
    back->Release();

    TPropertyList* missing = TPropertyList::CreateWithFile(FSRef{dir.filePath("none.plist")}, &status);
    EXPECT_EQ(status, -43);
    EXPECT_EQ(missing->Count(), 0);
    missing->Release();

    TPropertyList* fromText = TPropertyList::CreateWithXML("not a property list");
    EXPECT_EQ(fromText->Count(), 0);
    fromText->Release();

    Diagnostics::Capture capture;
    TDictionary* abstract = TDictionary::Create();
    EXPECT_EQ(capture.count("Warning: allocated an abstract TDictionary."), 1);
    abstract->Release();
}

} // namespace
