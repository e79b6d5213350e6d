#include "foundation/Archiver.h"
#include "foundation/Array.h"
#include "foundation/Dictionary.h"
#include "foundation/NSObjectWrapper.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Object.h"
#include "foundation/TreeNode.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QEvent>
#include <QIODevice>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

int g_deallocations = 0;

// A small archivable class: a title, a number and owned child objects.
class TArchiveProbe : public TObject {
    T_OBJECT(TArchiveProbe, TObject)
public:
    QString title;
    qint32 number = 0;
    std::vector<TArchiveProbe*> children;

    void AddChild(TArchiveProbe* child) {
        child->Retain();
        children.push_back(child);
    }
    void EncodeData(TArchiver* archiver) override {
        TObject::EncodeData(archiver);
        archiver->SetStringValue("title", title);
        archiver->SetIntegerValue("number", number);
        for (TArchiveProbe* child : children) child->ArchiveObject(archiver);
    }
    void DecodeData(TArchiver* archiver) override {
        TObject::DecodeData(archiver);
        title = archiver->GetStringValue("title");
        number = archiver->GetIntegerValue("number");
        for (qint64 i = 0; i <= archiver->Limit(); ++i)
            if (TObject* child = AllocateFromArchive(archiver, i, nullptr))
                children.push_back(static_cast<TArchiveProbe*>(child));
    }
    void CopyInstanceVariables(TObject* source) override {
        TObject::CopyInstanceVariables(source);
        auto* other = static_cast<TArchiveProbe*>(source);
        title = other->title;
        number = other->number;
    }

protected:
    TArchiveProbe() = default;
    void Deallocate() override {
        for (TArchiveProbe* child : children) child->Release();
        children.clear();
        ++g_deallocations;
        TObject::Deallocate();
    }
};

class TArchiveProbeKind : public TArchiveProbe {
    T_OBJECT(TArchiveProbeKind, TArchiveProbe)
protected:
    TArchiveProbeKind() = default;
};

class ObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterFoundationClasses();
        RegisterClass(TArchiveProbe::StaticClass());
        RegisterClass(TArchiveProbeKind::StaticClass());
        g_deallocations = 0;
    }
};

} // namespace

TEST_F(ObjectTest, CountsAndDeallocation) {
    TArchiveProbe* p = TArchiveProbe::Create();
    EXPECT_EQ(p->GetRetainCount(), 1);
    p->Retain();
    p->Release();
    EXPECT_EQ(g_deallocations, 0);
    p->Release();
    EXPECT_EQ(g_deallocations, 1);
}

TEST_F(ObjectTest, AutoreleaseDrainsWithThePool) {
    TArchiveProbe* kept = nullptr;
    {
        AutoreleasePool pool;
        TArchiveProbe::Instance();
        kept = TArchiveProbe::Instance();
        kept->Retain();
        EXPECT_TRUE(kept->IsAutoreleasing());
        EXPECT_EQ(g_deallocations, 0);
    }
    EXPECT_EQ(g_deallocations, 1);
    EXPECT_EQ(kept->GetRetainCount(), 1);
    EXPECT_FALSE(kept->IsAutoreleasing());
    kept->Release();
    EXPECT_EQ(g_deallocations, 2);
}

TEST_F(ObjectTest, DoubleAutoreleaseWarnsOnceAndReleasesTwice) {
    Diagnostics::Capture capture;
    TArchiveProbe* p = TArchiveProbe::Create();
    p->Retain();
    {
        AutoreleasePool pool;
        p->Autorelease();
        p->Autorelease();
    }
    EXPECT_EQ(g_deallocations, 1);
    ASSERT_EQ(capture.lines().size(), 1);
    EXPECT_TRUE(capture.lines()[0].startsWith("Warning: attempting to double-autorelease an object of class "
                                              "TArchiveProbe ("));
}

TEST_F(ObjectTest, OverReleasedObjectIsNotTouchedByTheDrain) {
    Diagnostics::Capture capture;
    {
        AutoreleasePool pool;
        TArchiveProbe* p = TArchiveProbe::Create();
        p->Autorelease();
        p->Release(); // gone while still in the pool
        EXPECT_EQ(g_deallocations, 1);
    }
    EXPECT_EQ(g_deallocations, 1);
    EXPECT_TRUE(capture.lines().last().contains("in the auto-release table!"));
}

TEST_F(ObjectTest, RegistryLookups) {
    Diagnostics::Capture capture;
    EXPECT_EQ(AllocateClass("TNoSuchThing"), nullptr);
    EXPECT_EQ(capture.count("Warning: The class TNoSuchThing is not registered."), 2);
    RegisterClass("TArchiveProbe", TArchiveProbeKind::StaticClass()); // first registration stays
    EXPECT_EQ(FindClass("TArchiveProbe"), TArchiveProbe::StaticClass());
    EXPECT_TRUE(ClassRegistered("TObject"));
    // Names looked up over and over, more of them than are remembered, each find their own class, and
    // an unknown name is told every time.
    const std::vector<TObjectClass> classes{TObject::StaticClass(),      TArchiveProbe::StaticClass(),
                                            TObjectArray::StaticClass(), TArchiveProbeKind::StaticClass(),
                                            TTreeNode::StaticClass(),    TObjectDictionary::StaticClass()};
    for (int round = 0; round < 3; ++round)
        for (TObjectClass cls : classes)
            EXPECT_EQ(FindClass(QString::fromLatin1(cls->name)), cls) << cls->name;
    EXPECT_EQ(FindClass("TNoSuchThing"), nullptr);
    EXPECT_EQ(capture.count("Warning: The class TNoSuchThing is not registered."), 3);

    TArchiveProbeKind* kind = TArchiveProbeKind::Create();
    EXPECT_TRUE(kind->IsMember(TArchiveProbe::StaticClass()));
    EXPECT_TRUE(kind->IsMember(QString("TObject")));
    EXPECT_FALSE(MemberOfClass(nullptr, TObject::StaticClass()));
    TArchiveProbe* probe = TArchiveProbe::Create();
    EXPECT_FALSE(probe->IsMember(kind));
    EXPECT_EQ(InstanceVarName(TArchiveProbe::StaticClass(), "title"), "TArchiveProbe.title");
    probe->Release();
    kind->Release();
}

TEST_F(ObjectTest, EveryFoundationClassReadsBackFromItsArchive) {
    std::vector<TObject*> objects{TObject::Create(),
                                  TTypeArray::Create(),
                                  TObjectArray::Create(),
                                  TReferenceArray::Create(),
                                  TTypeDictionary::Create(),
                                  TObjectDictionary::Create(),
                                  TReferenceDictionary::Create(),
                                  TPropertyList::Create(),
                                  TNotification::Create()};
    TTreeNode* node = TTreeNode::Create();
    TTreeNode* child = TTreeNode::Create();
    node->AddChild(child);
    child->Release();
    objects.push_back(node);
    for (TObject* original : objects) {
        SCOPED_TRACE(original->GetClass()->name);
        TObject* back = AllocateFromXMLData(original->GetArchivedData());
        ASSERT_TRUE(back);
        EXPECT_EQ(back->GetClass(), original->GetClass());
        if (back->IsMember(TTreeNode::StaticClass())) {
            EXPECT_EQ(static_cast<TTreeNode*>(back)->ChildCount(), 1);
        }
        back->Release();
        original->Release();
    }
}

TEST_F(ObjectTest, EncodeDecodeKeepsClassValuesAndChildren) {
    QTemporaryDir dir;
    const QString path = dir.filePath("probe.qxcard");
    {
        TArchiveProbe* root = TArchiveProbe::Create();
        root->title = "root";
        root->number = 7;
        TArchiveProbeKind* child = TArchiveProbeKind::Create();
        child->title = "child";
        root->AddChild(child);
        child->Release();
        TArchiver* archive = root->CopyArchive();
        ASSERT_EQ(archive->Save(path), 0);
        archive->Release();
        root->Release();
    }
    int status = 1;
    TObject* object = AllocateFromArchive(FSRef{path}, nullptr, &status);
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(object);
    ASSERT_TRUE(object->IsMember(TArchiveProbe::StaticClass()));
    auto* root = static_cast<TArchiveProbe*>(object);
    EXPECT_TRUE(root->DidInitializeFromArchive());
    EXPECT_EQ(root->GetRetainCount(), 1);
    EXPECT_EQ(root->title, "root");
    EXPECT_EQ(root->number, 7);
    ASSERT_EQ(root->children.size(), 1u);
    EXPECT_EQ(root->children[0]->GetClass(), TArchiveProbeKind::StaticClass());
    EXPECT_EQ(root->children[0]->title, "child");
    root->Release();

    // Keyed forms and failures.
    EXPECT_EQ(AllocateFromArchive(FSRef{path}, "title"), nullptr);
    EXPECT_EQ(AllocateFromArchive(FSRef{dir.filePath("missing")}, nullptr, &status), nullptr);
    EXPECT_EQ(status, -1);
    Diagnostics::Capture capture;
    EXPECT_EQ(AllocateFromDictionary({{"system.class", "TUnknownCard"}}), nullptr);
    EXPECT_EQ(AllocateFromXMLData("not xml"), nullptr);
}

TEST_F(ObjectTest, ReferenceTakenWhileDecodingIsKept) {
    // A decoder that hands itself to a holder that retains it, before initialisation runs.
    static TObject* holder = nullptr;
    class TSelfRegistering : public TArchiveProbe {
        T_OBJECT(TSelfRegistering, TArchiveProbe)
    public:
        void DecodeData(TArchiver* archiver) override {
            TArchiveProbe::DecodeData(archiver);
            holder = Retain();
        }

    protected:
        TSelfRegistering() = default;
    };
    RegisterClass(TSelfRegistering::StaticClass());
    TObject* object = AllocateFromDictionary({{"system.class", "TSelfRegistering"}});
    ASSERT_TRUE(object);
    EXPECT_EQ(object->GetRetainCount(), 2);
    object->Release();
    EXPECT_EQ(g_deallocations, 0);
    holder->Release();
    EXPECT_EQ(g_deallocations, 1);
}

TEST_F(ObjectTest, CopyIsADistinctObjectOfTheSameClass) {
    TArchiveProbeKind* original = TArchiveProbeKind::Create();
    original->title = "copy me";
    int params = 0;
    TObject* copy = original->Copy(&params);
    ASSERT_NE(copy, original);
    EXPECT_EQ(copy->GetClass(), TArchiveProbeKind::StaticClass());
    EXPECT_TRUE(copy->DidInitializeFromCopying());
    EXPECT_EQ(copy->GetCopyParameters(), &params);
    EXPECT_EQ(copy->GetRetainCount(), 1);
    EXPECT_EQ(static_cast<TArchiveProbe*>(copy)->title, "copy me");
    TObject* other = original->CopyOfClass(TArchiveProbe::StaticClass());
    EXPECT_EQ(other->GetClass(), TArchiveProbe::StaticClass());
    EXPECT_FALSE(other->DidInitializeFromCopying());
    {
        AutoreleasePool pool;
        EXPECT_EQ(Transform(original, TArchiveProbe::StaticClass())->GetClass(),
                  TArchiveProbe::StaticClass());
    }
    other->Release();
    copy->Release();
    original->Release();
    EXPECT_EQ(g_deallocations, 4);
}

TEST_F(ObjectTest, CopyOfClassTakesOnlyTheClassOrAnAncestor) {
    struct Case {
        TObject* source;
        TObjectClass target;
        bool made;
    };
    TArchiveProbeKind* kind = TArchiveProbeKind::Create();
    TArchiveProbe* probe = TArchiveProbe::Create();
    TObject* plain = TObject::Create();
    TTypeArray* values = TTypeArray::Create();
    const Case cases[] = {
        {kind, TArchiveProbe::StaticClass(), true},
        {kind, TObject::StaticClass(), true},
        {probe, TArchiveProbe::StaticClass(), true},
        {probe, TArchiveProbeKind::StaticClass(), false}, // a descendant
        {plain, TTypeArray::StaticClass(), false},
        {values, TObjectArray::StaticClass(), false}, // a sibling
        {values, TArchiveProbe::StaticClass(), false},
        {values, nullptr, false},
    };
    for (const Case& c : cases) {
        const char* target = c.target ? c.target->name : "nil";
        TObject* copy = c.source->CopyOfClass(c.target);
        EXPECT_EQ(copy != nullptr, c.made) << c.source->GetClass()->name << " into " << target;
        if (copy) {
            EXPECT_EQ(copy->GetClass(), c.target);
            copy->Release();
        }
        AutoreleasePool pool;
        EXPECT_EQ(Transform(c.source, c.target) != nullptr, c.made) << c.source->GetClass()->name;
    }
    for (TObject* o :
         {static_cast<TObject*>(kind), static_cast<TObject*>(probe), plain, static_cast<TObject*>(values)})
        o->Release();
}

TEST_F(ObjectTest, TypedProperties) {
    TObject* o = TObject::Create();
    EXPECT_EQ(o->GetIntegerProperty("missing"), -1);
    EXPECT_FALSE(o->GetBooleanProperty("missing"));
    o->SetIntegerProperty("n", 12);
    o->SetTypeProperty("real", 2.5);
    o->SetStringProperty("s", "text");
    o->SetBooleanProperty("off", false);
    o->SetDataProperty("d", QByteArray("xy"));
    EXPECT_EQ(o->GetIntegerProperty("n"), 12);
    EXPECT_EQ(o->GetIntegerProperty("real"), 0); // not exactly a 32-bit integer
    EXPECT_EQ(o->GetIntegerProperty("s"), 0);
    EXPECT_EQ(o->GetStringProperty("s"), "text");
    EXPECT_EQ(o->GetStringProperty("n"), QString());
    EXPECT_FALSE(o->GetBooleanProperty("off"));
    EXPECT_TRUE(o->GetBooleanProperty("n"));
    QByteArray d;
    EXPECT_TRUE(o->GetDataProperty("d", &d));
    EXPECT_EQ(d, "xy");
    for (const char* name : {"n", "real", "s", "off", "d"}) o->RemoveProperty(name);
    EXPECT_FALSE(o->GetTypeProperty("n").isValid());
    EXPECT_FALSE(o->ContainsProperty("s"));

    // Archivable properties travel with the object.
    o->SetStringProperty("note", "kept");
    o->SetObjectPropertiesArchivable(true);
    TArchiver* archive = o->CopyArchive();
    TObject* back = AllocateFromArchive(archive);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetStringProperty("note"), "kept");
    archive->Release();
    back->Release();
    o->Release();
}

TEST_F(ObjectTest, MethodsByNameAndDelegate) {
    TObject* o = TObject::Create();
    TObject* delegate = TObject::Create();
    static int voidCalls = 0;
    o->RegisterMethod("double", [](TObject*, void* p) -> void* {
        *static_cast<int*>(p) *= 2;
        return p;
    });
    delegate->RegisterVoidMethod("ping", [](TObject*) { ++voidCalls; });
    int value = 21;
    EXPECT_EQ(o->InvokeMethod("double", &value), &value);
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(o->IsMethodRegistered("double"));
    Diagnostics::Capture capture;
    EXPECT_EQ(o->InvokeMethod("absent"), nullptr);
    EXPECT_TRUE(capture.lines().isEmpty());
    o->SetWarnMissingMethods(true);
    o->InvokeMethod("absent");
    EXPECT_EQ(capture.lines().value(0), "Warning: the method absent could not be found in TObject.");

    o->SetDelegate(delegate);
    EXPECT_EQ(delegate->GetRetainCount(), 2);
    o->InvokeDelegate("ping");
    EXPECT_EQ(voidCalls, 1);
    o->RemoveDelegate();
    EXPECT_EQ(delegate->GetRetainCount(), 1);
    o->SetDelegate(delegate, false);
    EXPECT_EQ(delegate->GetRetainCount(), 1);
    o->Release();
    delegate->Release();
}

TEST_F(ObjectTest, DebugStringAndForeignReferences) {
    TObject* o = TObject::Create();
    EXPECT_TRUE(QRegularExpression("^TObject \\([0-9A-F]{16}\\)$").match(o->GetDebugString(true)).hasMatch());
    EXPECT_TRUE(o->GetDebugString().endsWith(") #1"));
    o->Release();

    static int freed = 0;
    {
        AutoreleasePool pool;
        int* resource = new int(5);
        EXPECT_EQ(CFAutorelease(resource,
                                [](void* p) {
                                    delete static_cast<int*>(p);
                                    ++freed;
                                }),
                  resource);
        EXPECT_EQ(CFAutorelease(nullptr, nullptr), nullptr);
        EXPECT_EQ(freed, 0);
    }
    EXPECT_EQ(freed, 1);
}

TEST_F(ObjectTest, WrappersHoldOrNotAndSurviveTheirObject) {
    TObject* o = TObject::Create();
    {
        NSObjectWrapperPtr strong = o->GetCocoaObject();
        EXPECT_EQ(o->GetRetainCount(), 2);
        EXPECT_NE(o->GetCocoaObject(), strong); // a new one each call
        EXPECT_FALSE(strong->isWeakReference());
    }
    EXPECT_EQ(o->GetRetainCount(), 1);
    o->SetMaintainCocoaObject(true);
    NSObjectWrapperPtr weak = o->GetCocoaObject();
    EXPECT_EQ(weak, o->GetCocoaObject());
    EXPECT_TRUE(weak->isWeakReference());
    EXPECT_EQ(o->GetRetainCount(), 1);
    {
        NSObjectWrapperPtr copy = weak->copy();
        EXPECT_FALSE(copy->isWeakReference());
        EXPECT_EQ(o->GetRetainCount(), 2);
        EXPECT_EQ(copy->wrapped<TObject>(), o);
        EXPECT_EQ(copy->wrapped<TArchiveProbe>(), nullptr);
    }
    o->Release();
    EXPECT_EQ(weak->wrappedObject(), nullptr); // cleared, never dangling

    // Notification user info carries a strong wrapper.
    TObject* carried = TObject::Create();
    Notification n{"N", nullptr, NSObjectWrapper::userObject(carried, "item")};
    EXPECT_EQ(NSObjectWrapper::objectForKey(n, "item"), carried);
    EXPECT_EQ(NSObjectWrapper::objectForKey(n, "other"), nullptr);
    n.userInfo.clear();
    EXPECT_EQ(carried->GetRetainCount(), 1);
    carried->Release();
}

TEST_F(ObjectTest, EveryWeakWrapperIsClearedWhenItsObjectGoes) {
    TObject* o = TArchiveProbe::Create();
    const NSObjectWrapperPtr first = NSObjectWrapper::weakWrapperWithObject(o);
    const NSObjectWrapperPtr second = NSObjectWrapper::weakWrapperWithObject(o);
    o->SetMaintainCocoaObject(true);
    const NSObjectWrapperPtr kept = o->GetCocoaObject();
    EXPECT_EQ(first->wrapped<TArchiveProbe>(), o);
    EXPECT_EQ(o->GetRetainCount(), 1);

    // No longer maintained, the object's own wrapper lets go; the others still hold it.
    o->SetMaintainCocoaObject(false);
    o->GetCocoaObject();
    EXPECT_EQ(kept->wrappedObject(), nullptr);
    EXPECT_EQ(second->wrappedObject(), o);

    o->Release();
    for (const NSObjectWrapperPtr& weak : {first, second}) {
        EXPECT_EQ(weak->wrappedObject(), nullptr);
        EXPECT_EQ(weak->wrapped<TArchiveProbe>(), nullptr);
        EXPECT_FALSE(weak->isWrappedObjectMember(TObject::StaticClass()));
        EXPECT_EQ(weak->copy()->wrappedObject(), nullptr);
    }
}

TEST_F(ObjectTest, RootPoolDrainedAtExitLeavesTheWrapperRegistryAlone) {
    // The registry of objects named in payloads is made after the root pool, so it would be
    // destroyed first; the pool drains at exit and the object forgets itself there.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TObject::Instance(); // makes the root pool
            TObject* o = TObject::Create();
            NSObjectWrapper::wrapperWithObject(o)->encode();
            o->Autorelease();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(ObjectTest, WrapperPayloadsNeverCarryAddresses) {
    TObject* o = TObject::Create();
    const QByteArray payload = NSObjectWrapper::wrapperWithObject(o)->encode();
    {
        NSObjectWrapperPtr back = NSObjectWrapper::decode(payload);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->wrappedObject(), o);
        EXPECT_EQ(o->GetRetainCount(), 2);
    }
    // Another process's token, and garbage, are refused.
    QByteArray foreign;
    {
        QDataStream out(&foreign, QIODevice::WriteOnly);
        out << QByteArray("NSObjectWrapper/1") << QByteArray(16, 'x') << o->GetSerial();
    }
    EXPECT_EQ(NSObjectWrapper::decode(foreign), nullptr);
    EXPECT_EQ(NSObjectWrapper::decode("junk"), nullptr);
    const QByteArray address = QByteArray::number(reinterpret_cast<quintptr>(o), 16);
    EXPECT_FALSE(payload.toHex().contains(address));
    o->Release();
    // The object is gone: its payload names nothing.
    EXPECT_EQ(NSObjectWrapper::decode(payload), nullptr);
}

TEST_F(ObjectTest, EachDispatchedEventDrainsItsPool) {
    struct Receiver : QObject {
        bool event(QEvent* e) override {
            if (e->type() != QEvent::User) return QObject::event(e);
            TArchiveProbe::Instance();
            return true;
        }
    } receiver;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&receiver);
    EXPECT_EQ(g_deallocations, 1);
}
