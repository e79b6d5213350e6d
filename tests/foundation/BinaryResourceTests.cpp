#include "foundation/BinaryResource.h"
#include "foundation/CarbonUtilities.h"
#include "platform/Diagnostics.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/xattr.h>

namespace {

using namespace ResourceStatus;

class BinaryResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        path = folder.filePath("Clipping.textClipping");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("contents");
    }

    Ref<TBinaryResource> open(qint32* status = nullptr) {
        qint32 ignored = 0;
        return Ref<TBinaryResource>::adopt(TBinaryResource::Create(FSRef{path}, status ? status : &ignored));
    }

    QByteArray storedFork() const {
        QByteArray bytes(70000, '\0');
        const ssize_t size = ::getxattr(QFile::encodeName(path).constData(), ResourceFork::kAttributeName,
                                        bytes.data(), static_cast<size_t>(bytes.size()));
        return size < 0 ? QByteArray() : bytes.left(size);
    }

    // Stores the bytes as the file's fork and opens it: the status Open gives.
    qint32 openStored(const QByteArray& fork, Ref<TBinaryResource>* opened) {
        if (::setxattr(QFile::encodeName(path).constData(), ResourceFork::kAttributeName, fork.constData(),
                       static_cast<size_t>(fork.size()), 0) != 0)
            return ioErr;
        qint32 status = 0;
        *opened = open(&status);
        return status;
    }

    QTemporaryDir folder;
    QString path;
};

TEST_F(BinaryResourceTest, ValuesWrittenComeBackAfterReopening) {
    const quint32 utf8 = FourCharCode("utf8");
    const quint32 text = FourCharCode("TEXT");
    const quint32 flag = FourCharCode("flag");
    const quint32 count = FourCharCode("cnt ");
    const QByteArray blob("\x00\x01\xff binary", 10);
    {
        qint32 status = -1;
        Ref<TBinaryResource> resource = open(&status);
        ASSERT_EQ(status, noErr);
        resource->SetStringValue("title", QStringLiteral("Grocery list – Café"));
        resource->SetIntegerValue("count", -123456);
        resource->SetBooleanValue("done", true);
        resource->SetDataValue("payload", blob);
        resource->SetStringValue(utf8, 256, QStringLiteral("naïve text"));
        resource->SetStringValue(text, 256, QStringLiteral("plain"));
        resource->SetStringValue(text, 257, QStringLiteral("another id")); // leaves id 256 alone
        resource->SetBooleanValue(flag, 128, true);
        resource->SetIntegerValue(count, 129, 77);
        resource->SetDataValue(FourCharCode("RTF "), 256, blob);
        EXPECT_EQ(CarbonUtilities::Err, noErr);
    } // released: written to the file

    // The classic layout: the data after a 256-byte header area, the map after the data.
    const QByteArray stored = storedFork();
    ASSERT_GT(stored.size(), 256);
    EXPECT_EQ(stored.left(4), QByteArray("\x00\x00\x01\x00", 4));

    Ref<TBinaryResource> resource = open();
    EXPECT_EQ(resource->GetStringValue("title"), QStringLiteral("Grocery list – Café"));
    EXPECT_EQ(resource->GetIntegerValue("count"), -123456);
    EXPECT_TRUE(resource->GetBooleanValue("done"));
    EXPECT_EQ(resource->CopyDataValue("payload"), blob);
    char buffer[16];
    resource->GetDataValue("payload", buffer, sizeof buffer);
    EXPECT_EQ(QByteArray(buffer, sizeof buffer), blob + QByteArray(6, '\0'));
    EXPECT_EQ(resource->GetStringValue(utf8, 256), QStringLiteral("naïve text"));
    EXPECT_EQ(resource->GetStringValue(text, 256), QStringLiteral("plain"));
    EXPECT_EQ(resource->GetStringValue(text, 257), QStringLiteral("another id"));
    EXPECT_TRUE(resource->GetBooleanValue(flag, 128));
    EXPECT_EQ(resource->GetIntegerValue(count, 129), 77);
    EXPECT_EQ(resource->CopyIndexed(FourCharCode("RTF "), 256), blob);
    EXPECT_TRUE(resource->ContainsValue("count", TBinaryResource::kIntegerType));
    EXPECT_FALSE(resource->ContainsValue("count", TBinaryResource::kStringType));

    // Missing values read as nothing, with the status left behind.
    EXPECT_EQ(resource->GetIntegerValue("missing"), 0);
    EXPECT_EQ(CarbonUtilities::Err, resNotFound);
    EXPECT_FALSE(resource->CopyNamed(TBinaryResource::kDataType, "missing"));

    EXPECT_EQ(resource->RemoveAll(text), noErr);
    EXPECT_EQ(resource->RemoveNamed(TBinaryResource::kIntegerType, "count"), noErr);
    EXPECT_EQ(resource->Close(), noErr);
    Ref<TBinaryResource> again = open();
    EXPECT_FALSE(again->CopyIndexed(text, 256));
    EXPECT_FALSE(again->ContainsValue("count", TBinaryResource::kIntegerType));
    EXPECT_EQ(again->GetStringValue(utf8, 256), QStringLiteral("naïve text"));
}

TEST_F(BinaryResourceTest, TwoWrappersOfOneFileShareItsFork) {
    Ref<TBinaryResource> first = open();
    Ref<TBinaryResource> second = open();
    EXPECT_EQ(first->GetReferenceNumber(), second->GetReferenceNumber());
    first->SetIntegerValue("shared", 5);
    EXPECT_EQ(second->GetIntegerValue("shared"), 5);
    first->Close();
    second->SetIntegerValue("later", 6); // still open for the second
    EXPECT_EQ(CarbonUtilities::Err, noErr);
}

TEST_F(BinaryResourceTest, RefusedWritesFailCleanlyAndKeepTheStoredFork) {
    {
        Ref<TBinaryResource> resource = open();
        resource->SetIntegerValue("kept", 1);
        ASSERT_EQ(resource->Update(), noErr);
        // Longer than any file system keeps in one attribute.
        resource->SetDataValue("huge", QByteArray(70000, 'x'));
        EXPECT_EQ(resource->Update(), dskFulErr);
        // A named string is never cut.
        resource->SetStringValue("long", QString(300, 'a'));
        EXPECT_EQ(CarbonUtilities::Err, paramErr);
        EXPECT_FALSE(resource->ContainsValue("long", TBinaryResource::kStringType));
        EXPECT_EQ(resource->RemoveNamed(TBinaryResource::kDataType, "huge"), noErr);
    }
    const std::optional<QList<ResourceEntry>> entries = ResourceFork::decode(storedFork());
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1);
    EXPECT_EQ(entries->first().name, "kept");
}

TEST_F(BinaryResourceTest, AnUnreadableForkIsLeftAlone) {
    const QByteArray garbage("\x00\x00\x01\x00\xff\xff\xff\xff", 8);
    Ref<TBinaryResource> resource;
    EXPECT_EQ(openStored(garbage, &resource), mapReadErr);
    EXPECT_FALSE(resource->IsOpen());
    resource->SetIntegerValue("x", 1);
    EXPECT_EQ(CarbonUtilities::Err, resFNotFound);
    resource = Ref<TBinaryResource>();
    EXPECT_EQ(storedFork(), garbage);
}

// A fork whose types all point at one list of references, each naming the same data.
QByteArray forkWithSharedReferences(int types, int references, int dataSize) {
    auto put16 = [](QByteArray& out, int v) {
        out.append(static_cast<char>((v >> 8) & 0xff));
        out.append(static_cast<char>(v & 0xff));
    };
    auto put32 = [&](QByteArray& out, qint64 v) {
        put16(out, static_cast<int>((v >> 16) & 0xffff));
        put16(out, static_cast<int>(v & 0xffff));
    };
    QByteArray data;
    put32(data, dataSize);
    data.append(QByteArray(dataSize, 'd'));
    QByteArray typeList;
    put16(typeList, types - 1);
    for (int t = 0; t < types; ++t) {
        put32(typeList, 0x41414100 + t);
        put16(typeList, references - 1);
        put16(typeList, 2 + 8 * types);
    }
    QByteArray list;
    for (int i = 0; i < references; ++i) {
        put16(list, 128 + i);
        put16(list, 0xffff); // no name
        put32(list, 0);      // attributes and data offset 0
        put32(list, 0);
    }
    const qint64 mapLength = 28 + typeList.size() + list.size();
    QByteArray header;
    put32(header, 256);
    put32(header, 256 + data.size());
    put32(header, data.size());
    put32(header, mapLength);
    QByteArray fork = header + QByteArray(256 - header.size(), '\0') + data + header;
    put32(fork, 0);
    put16(fork, 0);
    put16(fork, 0);
    put16(fork, 28);
    put16(fork, static_cast<int>(mapLength));
    return fork + typeList + list;
}

TEST_F(BinaryResourceTest, AForkWhoseEntriesShareReferencesOrDataIsRefused) {
    // 40 types of 40 references over one block of 1,000 bytes: 1,600 resources, 1.6 MB from 2 KB; a
    // fork of 64 KB the same way would claim millions.
    const QByteArray shared = forkWithSharedReferences(40, 40, 1000);
    ASSERT_LT(shared.size(), 4000); // small enough for any file system's attribute
    EXPECT_FALSE(ResourceFork::decode(shared));
    Ref<TBinaryResource> resource;
    EXPECT_EQ(openStored(shared, &resource), mapReadErr);
    EXPECT_FALSE(resource->IsOpen());
    // One type, one reference: the same layout is a sound fork.
    const std::optional<QList<ResourceEntry>> single =
        ResourceFork::decode(forkWithSharedReferences(1, 1, 2000));
    ASSERT_TRUE(single);
    ASSERT_EQ(single->size(), 1);
    EXPECT_EQ(single->first().data, QByteArray(2000, 'd'));
    // Two resources naming the same data are refused too.
    EXPECT_FALSE(ResourceFork::decode(forkWithSharedReferences(1, 2, 2000)));
}

TEST(BinaryResource, AFileSystemWithoutAttributesFailsEveryOperation) {
    Diagnostics::Capture capture;
    qint32 status = 0;
    // procfs keeps no extended attributes.
    Ref<TBinaryResource> resource =
        Ref<TBinaryResource>::adopt(TBinaryResource::Create(FSRef{"/proc/self/comm"}, &status));
    EXPECT_EQ(status, resFNotFound);
    EXPECT_EQ(capture.lines(), QStringList{"FSCreateResourceFile: -193"});
    resource->SetBooleanValue("flag", true);
    EXPECT_EQ(CarbonUtilities::Err, resFNotFound);
    EXPECT_FALSE(resource->GetBooleanValue("flag"));
    EXPECT_EQ(resource->GetStringValue(FourCharCode("TEXT"), 256), QString());
    EXPECT_EQ(resource->Write("x", FourCharCode("TEXT"), 1, QString()), resFNotFound);

    Ref<TBinaryResource> missing =
        Ref<TBinaryResource>::adopt(TBinaryResource::Create(FSRef{"/nonexistent/file"}, &status));
    EXPECT_EQ(status, fnfErr);
}

} // namespace
