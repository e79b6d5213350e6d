#include "platform/NotificationCenter.h"
#include "utilities/FoundationUtilities.h"

#include <QDateTime>
#include <QObject>
#include <gtest/gtest.h>

namespace {

TEST(DictionaryHelpers, ValuesReadTheWayTheLibraryWantsThem) {
    using namespace DictionaryPascalHelpers;
    const QVariantMap d{{"null", QVariant()},
                        {"answer", 42},
                        {"ratio", 0.5},
                        {"yes", true},
                        {"text", "12 apples"},
                        {"long", QString(300, 'x')},
                        {"date", QDateTime::currentDateTimeUtc()},
                        {"list", QVariantList{1, 2}}};
    EXPECT_TRUE(isSet(d, "null"));
    EXPECT_FALSE(isSet(d, "absent"));
    EXPECT_TRUE(DictionaryUtilities::containsKey(d, "list"));

    struct Case {
        const char* key;
        QByteArray string;
        qint32 integer;
        double real;
        bool boolean;
    };
    const Case cases[] = {
        {"answer", "42", 42, 42, true},      {"ratio", "0.5", 0, 0.5, true}, {"yes", "1", 1, 1, true},
        {"text", "12 apples", 12, 12, true}, {"date", "", 0, 0, false},      {"absent", "", 0, 0, false},
        {"null", "", 0, 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NSDictionaryPascalHelpers_stringForKey(d, c.key), c.string) << c.key;
        EXPECT_EQ(NSDictionaryPascalHelpers_intForKey(d, c.key), c.integer) << c.key;
        EXPECT_DOUBLE_EQ(NSDictionaryPascalHelpers_floatForKey(d, c.key), c.real) << c.key;
        EXPECT_EQ(NSDictionaryPascalHelpers_boolForKey(d, c.key), c.boolean) << c.key;
    }
    EXPECT_EQ(NSDictionaryPascalHelpers_stringForKey(d, "long").size(), 255);
    EXPECT_EQ(NSDictionaryPascalHelpers_arrayForKey(d, "answer"), 42)
        << "the array form does not test the kind";
    EXPECT_FALSE(NSDictionaryPascalHelpers_objForKey(d, "absent").isValid());
    EXPECT_DOUBLE_EQ(NSDictionaryPascalHelpers_floatForKey({{"f", 0.1}}, "f"), double(0.1f));
}

int sameText(const QVariant& element, const QVariant& object, void*) {
    return element.toString().compare(object.toString(), Qt::CaseInsensitive);
}

TEST(ArrayHelpers, MovesDifferencesAndDuplicates) {
    using namespace MutableArrayUtilities;
    const QVariantList abcd{"a", "b", "c", "d"};
    struct Case {
        qsizetype from, to;
        QVariantList out;
    };
    const Case cases[] = {
        {0, 3, {"b", "c", "a", "d"}},
        {3, 0, {"d", "a", "b", "c"}},
        {1, 4, {"a", "c", "d", "b"}},
        {2, 2, abcd},
        {4, 0, abcd},
        {0, 5, abcd},
    };
    for (const Case& c : cases) {
        QVariantList list = abcd;
        moveObjectAtIndexToIndex(list, c.from, c.to);
        EXPECT_EQ(list, c.out) << c.from << "->" << c.to;
    }

    EXPECT_EQ(ArrayUtilities::arrayWithDifferencesFromArray(abcd, {"d", "b", "c", "a"}), std::nullopt);
    EXPECT_EQ(ArrayUtilities::arrayWithDifferencesFromArray(abcd, {"b"}), (QVariantList{"a", "c", "d"}));

    QVariantList names{"beta", "Alpha", "ALPHA", "gamma", "alpha"};
    EXPECT_EQ(ArrayUtilities::countOfObjectWithComparatorContext(names, "alpha", sameText, nullptr), 3);
    removeDuplicateObjectsWithComparatorContext(names, sameText, nullptr);
    EXPECT_EQ(names, (QVariantList{"beta", "Alpha", "gamma"}));
    sortUsingLocalizedCaseInsensitiveCompare(names);
    EXPECT_EQ(names, (QVariantList{"Alpha", "beta", "gamma"}));
    addUniqueObject(names, "beta");
    addType(names, 7);
    EXPECT_EQ(names.size(), 4);
    QVariantList empty;
    removeFirstObject(empty);
    removeFirstObject(names);
    EXPECT_EQ(names.first(), "beta");
}

TEST(ObjectHelpers, IdentityDescriptionsAndObservers) {
    const QVariantMap map{{"k", 1}};
    const QByteArray data("x");
    EXPECT_EQ(&DictionaryUtilities::cfType(map), &map);
    EXPECT_EQ(&DataUtilities::cfType(data), &data);
    EXPECT_EQ(NumberUtilities::uint64Value(NumberUtilities::numberWithUInt64(18446744073709551615ULL)),
              18446744073709551615ULL);

    QObject object;
    EXPECT_EQ(ObjectUtilities::pascalClassName(&object), "QObject");
    EXPECT_TRUE(ObjectUtilities::pascalDescription(&object).startsWith("<QObject: 0x"));
    EXPECT_EQ(ObjectUtilities::pointerAddressString(reinterpret_cast<void*>(0x1234)), "<0x1234>");
    EXPECT_EQ(ObjectUtilities::description(nullptr), "(null)");

    int calls = 0;
    auto& centre = NotificationCenter::defaultCenter();
    centre.addObserver(&object, "one", nullptr, [&](const Notification&) { ++calls; });
    centre.addObserver(&object, "two", nullptr, [&](const Notification&) { ++calls; });
    ObjectUtilities::stopObservingNotifications(&object);
    centre.post("one");
    centre.post("two");
    EXPECT_EQ(calls, 0);

    const Shadow shadow = ShadowUtilities::shadowWithBlurRadius(6);
    EXPECT_EQ(shadow.blurRadius, 6);
    EXPECT_EQ(shadow.offset, QPointF(0, 0));
}

} // namespace
