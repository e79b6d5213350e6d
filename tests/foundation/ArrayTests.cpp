#include "foundation/Archiver.h"
#include "foundation/Array.h"
#include "platform/Diagnostics.h"
#include "platform/PlistCodec.h"

#include <gtest/gtest.h>

namespace {

// An element that counts how many of its kind are alive and carries a label through archives.
class TArrayProbe : public TObject {
    T_OBJECT(TArrayProbe, TObject)
public:
    static inline int alive = 0;
    QString label;
    static TArrayProbe* Make(const QString& label) {
        TArrayProbe* p = Create();
        p->label = label;
        return p;
    }
    void EncodeData(TArchiver* a) override {
        TObject::EncodeData(a);
        a->SetStringValue("label", label);
    }
    void DecodeData(TArchiver* a) override {
        TObject::DecodeData(a);
        label = a->GetStringValue("label");
    }
    void CopyInstanceVariables(TObject* source) override {
        TObject::CopyInstanceVariables(source);
        label = static_cast<TArrayProbe*>(source)->label;
    }

protected:
    TArrayProbe() { ++alive; }
    ~TArrayProbe() override { --alive; }
};

QStringList labels(const TArray* array) {
    QStringList out;
    for (TArrayProbe* p : *array) out << p->label;
    return out;
}

class ArrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterFoundationClasses();
        RegisterClass(TArrayProbe::StaticClass());
    }
    void TearDown() override { EXPECT_EQ(TArrayProbe::alive, 0); }
};

TEST_F(ArrayTest, ObjectArrayOwnsOneReferencePerElement) {
    TObjectArray* array = TObjectArray::Create();
    TArrayProbe* a = TArrayProbe::Make("a");
    TArrayProbe* b = TArrayProbe::Make("b");
    array->AppendValue(a);
    array->AppendValue(b);
    array->AppendValue(a);
    EXPECT_EQ(a->GetRetainCount(), 3);
    EXPECT_EQ(array->CountValues(a), 2);
    array->RemoveValue(static_cast<const void*>(a)); // first one only
    EXPECT_EQ(a->GetRetainCount(), 2);
    EXPECT_EQ(labels(array), (QStringList{"b", "a"}));
    array->ReplaceValue(0, a);
    EXPECT_EQ(b->GetRetainCount(), 1);
    EXPECT_EQ(a->GetRetainCount(), 3);
    array->AppendValue(nullptr);
    EXPECT_EQ(array->Count(), 2);
    a->Release();
    b->Release();
    array->Release(); // releases each element once; the fixture checks none is left
}

TEST_F(ArrayTest, IndicesOutOfRangeAreIgnored) {
    TObjectArray* array = TObjectArray::Create();
    TArrayProbe* a = TArrayProbe::Make("a");
    array->AppendValue(a);
    EXPECT_TRUE(array->GetValue(-1).isNull());
    EXPECT_TRUE(array->GetValue(1).isNull());
    array->InsertValue(5, a);
    array->InsertValue(-1, a);
    array->ReplaceValue(3, a);
    array->ExchangeValues(0, 7);
    array->RemoveValue(qint64(9));
    array->Reorder(4, 0);
    EXPECT_EQ(array->Count(), 1);
    EXPECT_EQ(a->GetRetainCount(), 2);
    array->RemoveValuesInArray(array);
    EXPECT_EQ(array->Count(), 0);
    TObjectArray* empty = TObjectArray::Create();
    EXPECT_TRUE(empty->GetFirstValue().isNull());
    EXPECT_TRUE(empty->GetLastValue().isNull());
    empty->RemoveFirstValue();
    empty->RemoveLastValue();
    empty->Release();
    a->Release();
    array->Release();
}

TEST_F(ArrayTest, ReorderAndInsertionTable) {
    struct Case {
        qint64 from, to;
        QStringList expected;
    };
    const Case cases[] = {
        {0, 5, {"b", "c", "a"}}, {2, -1, {"c", "a", "b"}}, {0, 2, {"b", "c", "a"}},  {0, 3, {"b", "c", "a"}},
        {2, 0, {"c", "a", "b"}}, {1, 1, {"a", "b", "c"}},  {-1, 0, {"a", "b", "c"}}, {3, 0, {"a", "b", "c"}},
    };
    for (const Case& c : cases) {
        TObjectArray* array = TObjectArray::Create();
        for (const char* l : {"a", "b", "c"}) {
            TArrayProbe* p = TArrayProbe::Make(l);
            array->AppendValue(p);
            p->Release();
        }
        TArrayProbe* moved = array->GetValue(c.from);
        const int before = moved ? moved->GetRetainCount() : 0;
        array->Reorder(c.from, c.to);
        EXPECT_EQ(labels(array), c.expected) << c.from << " -> " << c.to;
        if (moved) {
            EXPECT_EQ(moved->GetRetainCount(), before);
        }
        array->Release();
    }

    TTypeArray* values = TTypeArray::Create();
    values->AppendStringValue("x");
    values->InsertStringValue(0, "w");
    values->InsertStringValue(2, "z");
    values->InsertStringValue(2, "y");
    values->PrependValue(QVariant("v"));
    EXPECT_EQ(values->CFType(), (QVariantList{"v", "w", "x", "y", "z"}));
    values->Reverse();
    values->ExchangeValues(0, 4);
    EXPECT_EQ(values->CFType(), (QVariantList{"v", "y", "x", "w", "z"}));
    values->SortWithStrings();
    EXPECT_EQ(values->CFType(), (QVariantList{"v", "w", "x", "y", "z"}));
    EXPECT_EQ(values->GetIndex(QVariant("y")), 3);
    EXPECT_EQ(values->GetIndex(QVariant()), -1);
    values->Release();
}

TEST_F(ArrayTest, EnumerationVisitsEachIndexOnceAndReportsIt) {
    TTypeArray* values = TTypeArray::Create();
    for (int i = 0; i < 3; ++i) values->AppendIntegerValue(i * 10);
    QList<qint64> indices;
    QVariantList seen;
    for (const TArrayValue& v : *values) {
        indices << TArray::ForIndex();
        seen << v;
    }
    EXPECT_EQ(indices, (QList<qint64>{0, 1, 2}));
    EXPECT_EQ(seen, values->CFType());

    QVariantList own;
    while (values->Enumerate()) own << values->GetNextValue();
    EXPECT_EQ(own, values->CFType());
    EXPECT_EQ(values->GetEnumerationIndex(), -1); // cursor back at the start

    TTypeArray* empty = TTypeArray::Create();
    int steps = 0;
    for (const TArrayValue& v : *empty) steps += v.isValid() ? 1 : 0;
    EXPECT_EQ(steps, 0);
    EXPECT_FALSE(empty->Enumerate());
    empty->Release();
    values->Release();
}

TEST_F(ArrayTest, TypeArrayReadsAndArchives) {
    TTypeArray* values = TTypeArray::Create();
    values->AppendBooleanValue(false);
    values->AppendStringValue(QString(300, QChar(0x00e9))); // kept whole
    values->AppendIntegerValue(-7);
    values->AppendDataValue(QByteArray("\x01\x02", 2));
    values->AppendValue(QVariant(2.5));
    EXPECT_FALSE(values->GetBooleanValue(0));
    EXPECT_TRUE(values->GetBooleanValue(1));
    EXPECT_EQ(values->GetStringValue(1).size(), 300);
    EXPECT_EQ(values->GetStringValue(2), QString());
    EXPECT_EQ(values->GetIntegerValue(2), -7);
    EXPECT_EQ(values->GetIntegerValue(4), 0); // not exactly an integer
    EXPECT_EQ(values->GetIntegerValue(9), -1);
    QByteArray bytes;
    EXPECT_TRUE(values->GetDataValue(3, &bytes));
    EXPECT_EQ(bytes, QByteArray("\x01\x02", 2));
    EXPECT_FALSE(values->GetDataValue(9, &bytes));

    TArchiver* archive = values->CopyArchive();
    EXPECT_EQ(archive->GetStringValue(TArchiver::kClassKey), "TTypeArray");
    TObject* decoded = AllocateFromArchive(archive);
    ASSERT_TRUE(decoded && decoded->IsMember(TTypeArray::StaticClass()));
    EXPECT_EQ(static_cast<TTypeArray*>(decoded)->CFType(), values->CFType());
    decoded->Release();
    archive->Release();
    values->Release();
}

TEST_F(ArrayTest, NestedLoopsEachKeepTheirOwnIndex) {
    TTypeArray* outer = TTypeArray::CreateWithValues(QVariantList{"a", "b"});
    TTypeArray* inner = TTypeArray::CreateWithValues(QVariantList{1, 2, 3});
    QStringList seen;
    for (const TArrayValue& o : *outer) {
        for (const TArrayValue& i : *inner)
            seen << QString("%1%2@%3").arg(o.toString()).arg(i.toInt()).arg(TArray::ForIndex());
        seen << QString("%1@%2").arg(o.toString()).arg(TArray::ForIndex()); // after the inner loop
    }
    EXPECT_EQ(seen, (QStringList{"a1@0", "a2@1", "a3@2", "a@0", "b1@0", "b2@1", "b3@2", "b@1"}));
    inner->Release();
    outer->Release();
}

TEST_F(ArrayTest, ObjectArrayArchivesDecodesAndCopiesDeeply) {
    TObjectArray* array = TObjectArray::Create();
    for (const char* l : {"one", "two"}) {
        TArrayProbe* p = TArrayProbe::Make(l);
        array->AppendValue(p);
        p->Release();
    }
    TArchiver* archive = array->CopyArchive();
    EXPECT_EQ(archive->GetStringValue(TArchiver::kClassKey), "TObjectArray");
    EXPECT_EQ(archive->Limit(), 1);
    EXPECT_EQ(archive->GetValue("/system.objects/1/label").toString(), "two");

    TObject* decoded = AllocateFromArchive(archive);
    ASSERT_TRUE(decoded);
    auto* copyBack = static_cast<TObjectArray*>(decoded);
    EXPECT_EQ(labels(copyBack), (QStringList{"one", "two"}));
    for (TObject* element : *copyBack) EXPECT_EQ(element->GetRetainCount(), 1);

    auto* deep = static_cast<TObjectArray*>(array->Copy());
    EXPECT_EQ(labels(deep), (QStringList{"one", "two"}));
    EXPECT_NE(deep->GetObjectValue(0), array->GetObjectValue(0));
    EXPECT_EQ(deep->GetObjectValue(0)->GetRetainCount(), 1);

    TObjectArray* shallow = TObjectArray::CreateWithArray(array);
    EXPECT_EQ(shallow->GetObjectValue(1), array->GetObjectValue(1));
    EXPECT_EQ(array->GetObjectValue(1)->GetRetainCount(), 2);
    TArray* added = shallow->ArrayByAddingValue(deep->GetObjectValue(0));
    EXPECT_TRUE(added->IsMember(TObjectArray::StaticClass()));
    EXPECT_EQ(added->Count(), 3);

    shallow->Release();
    deep->Release();
    decoded->Release();
    archive->Release();
    array->Release();
    AutoreleasePool::drainRoot();
}

TEST_F(ArrayTest, UnknownElementSurvivesRoundTripByteForByte) {
    QVariantMap known{{"system.class", "TArrayProbe"}, {"label", "kept"}};
    QVariantMap mystery{{"system.class", "TMysteryRow"},
                        {"title", QString::fromUtf8("Caf\xc3\xa9")},
                        {"count", 3},
                        {"ratio", 0.25},
                        {"flag", true},
                        {"blob", QByteArray("\x00\xff", 2)},
                        {"nested", QVariantList{1, "two", QVariantMap{{"k", "v"}}}}};
    const QVariantMap stored{{"system.class", "TObjectArray"},
                             {"system.objects", QVariantList{mystery, known, mystery}}};
    const QByteArray before = PlistCodec::toXml(stored);
    ASSERT_FALSE(before.isEmpty());

    Diagnostics::Capture capture;
    TObject* decoded = AllocateFromXMLData(before);
    ASSERT_TRUE(decoded);
    auto* array = static_cast<TObjectArray*>(decoded);
    EXPECT_EQ(array->Count(), 1);
    EXPECT_EQ(array->KeptArchiveCount(), 2);

    TArchiver* archive = array->CopyArchive();
    EXPECT_EQ(archive->CopyXMLData(), before);
    archive->Release();

    // A copy keeps them too, and a new element does not displace them.
    auto* copy = static_cast<TObjectArray*>(array->Copy());
    TArrayProbe* extra = TArrayProbe::Make("extra");
    copy->AppendValue(extra);
    extra->Release();
    TArchiver* copyArchive = copy->CopyArchive();
    const QVariantList objects = copyArchive->GetIndexedObjects();
    ASSERT_EQ(objects.size(), 4);
    EXPECT_EQ(objects.at(0).toMap(), mystery);
    EXPECT_EQ(objects.at(2).toMap(), mystery);
    EXPECT_EQ(objects.at(3).toMap().value("label").toString(), "extra");
    copyArchive->Release();
    copy->Release();
    decoded->Release();
}

TEST_F(ArrayTest, KeptArchiveIsWrittenOnceWhenItsNeighbourIsListedTwice) {
    const QVariantMap mystery{{"system.class", "TMysteryRow"}, {"title", "kept"}};
    const QVariantMap known{{"system.class", "TArrayProbe"}, {"label", "a"}};
    const QVariantMap stored{{"system.class", "TObjectArray"},
                             {"system.objects", QVariantList{known, mystery}}};
    Diagnostics::Capture capture;
    auto* array = static_cast<TObjectArray*>(AllocateFromDictionary(stored));
    ASSERT_TRUE(array);
    TObject* a = array->GetObjectValue(0);
    array->AppendValue(a); // the same element twice
    auto* copy = static_cast<TObjectArray*>(array->Copy());
    for (TObjectArray* which : {array, copy}) {
        TArchiver* archive = which->CopyArchive();
        const QVariantList objects = archive->GetIndexedObjects();
        ASSERT_EQ(objects.size(), 3);
        EXPECT_EQ(objects.at(1).toMap(), mystery);
        EXPECT_EQ(objects.at(2).toMap().value("label").toString(), "a");
        archive->Release();
    }
    copy->Release();
    array->Release();
}

TEST_F(ArrayTest, CopyOwnsItsElementsWhateverTheCallbacks) {
    // An array that holds its elements without references of its own.
    TArrayCallBacks borrowing = TObjectArray::ObjectCallBacks();
    borrowing.retain = nullptr;
    borrowing.release = nullptr;
    TObjectArray* array = TObjectArray::CreateWithCallBacks(borrowing);
    TArrayProbe* probe = TArrayProbe::Make("kept");
    array->AppendValue(probe);
    EXPECT_EQ(probe->GetRetainCount(), 1);

    auto* copy = static_cast<TObjectArray*>(array->Copy());
    ASSERT_EQ(copy->Count(), 1);
    auto* element = static_cast<TArrayProbe*>(copy->GetObjectValue(0));
    EXPECT_EQ(element->label, "kept");
    EXPECT_EQ(element->GetRetainCount(), 1); // the copy's own reference
    EXPECT_EQ(TArrayProbe::alive, 2);
    copy->Release();
    EXPECT_EQ(TArrayProbe::alive, 1);
    array->Release();
    probe->Release();
}

TEST_F(ArrayTest, ReferenceArrayNeitherRetainsNorReleases) {
    TArrayProbe* a = TArrayProbe::Make("a");
    int local = 0;
    TReferenceArray* refs = TReferenceArray::CreateWithValues({a, &local});
    EXPECT_EQ(a->GetRetainCount(), 1);
    EXPECT_EQ(refs->GetIndex(&local), 1);
    int* back = refs->GetValue(1);
    EXPECT_EQ(back, &local);
    refs->Release();
    EXPECT_EQ(a->GetRetainCount(), 1);
    a->Release();

    Diagnostics::Capture capture;
    TArray* abstract = TArray::Create();
    EXPECT_EQ(capture.count("Warning: allocated an abstract TArray."), 1);
    abstract->AppendValue(QVariant(1));
    EXPECT_EQ(abstract->Count(), 0);
    EXPECT_FALSE(abstract->Enumerate());
    abstract->Release();
}

} // namespace
