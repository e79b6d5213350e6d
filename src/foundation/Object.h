#pragma once

#include "platform/AutoreleasePool.h"
#include "platform/CoreTypes.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <vector>

class TArchiver;
class TObject;
class NSObjectWrapper;
using NSObjectWrapperPtr = std::shared_ptr<NSObjectWrapper>;

// What the class registry knows of a class: its stored name, its parent and how to allocate it.
struct TObjectClassInfo {
    const char* name;
    const TObjectClassInfo* parent;
    TObject* (*allocate)(); // null for a class that cannot be made on its own
};
using TObjectClass = const TObjectClassInfo*;

// Declares a class of the object tree: its class record, GetClass(), and the Allocate (count 1,
// not initialised), Create (initialised) and Instance (initialised, autoreleased) constructors.
#define T_OBJECT_COMMON(Class, Parent, allocator)                                                            \
public:                                                                                                      \
    static TObjectClass StaticClass() {                                                                      \
        static const TObjectClassInfo info{#Class, Parent::StaticClass(), allocator};                        \
        return &info;                                                                                        \
    }                                                                                                        \
    TObjectClass GetClass() const override {                                                                 \
        return StaticClass();                                                                                \
    }                                                                                                        \
                                                                                                             \
private:

#define T_OBJECT(Class, Parent)                                                                              \
    T_OBJECT_COMMON(Class, Parent, &Class::NewInstance_)                                                     \
    static TObject* NewInstance_() {                                                                         \
        return new Class();                                                                                  \
    }                                                                                                        \
                                                                                                             \
public:                                                                                                      \
    static Class* Allocate() {                                                                               \
        return static_cast<Class*>(TObject::AllocateOf(StaticClass()));                                      \
    }                                                                                                        \
    static Class* Create() {                                                                                 \
        Class* object = Allocate();                                                                          \
        object->Initialize();                                                                                \
        return object;                                                                                       \
    }                                                                                                        \
    static Class* Instance() {                                                                               \
        Class* object = Create();                                                                            \
        object->Autorelease();                                                                               \
        return object;                                                                                       \
    }                                                                                                        \
                                                                                                             \
private:

#define T_OBJECT_ABSTRACT(Class, Parent) T_OBJECT_COMMON(Class, Parent, nullptr)

// The root of the program's own objects: a manual reference count, two-stage construction,
// archiving by class name, copying, typed properties, methods by name and a delegate.
// Overrides of Initialize, EncodeData, DecodeData and CopyInstanceVariables call the inherited
// one first; overrides of Deallocate release their own fields and call the inherited one last.
class TObject : protected Autoreleasable {
public:
    using MethodPointer = void* (*)(TObject* self, void* params);
    using VoidMethodPointer = void (*)(TObject* self);

    static TObjectClass StaticClass();
    virtual TObjectClass GetClass() const { return StaticClass(); }
    QString ClassName() const { return QString::fromLatin1(GetClass()->name); }

    // Construction and reference counting.
    static TObject* Allocate() { return AllocateOf(StaticClass()); }
    static TObject* Create();
    static TObject* Instance();
    static TObject* AllocateOf(TObjectClass cls); // count 1, not initialised; null for an abstract class
    virtual bool AllowArchiving() const { return true; }
    virtual TObject* Retain();
    virtual TObject* Autorelease();
    // The last release ends the object's observations in every notification centre, then deallocates.
    virtual void Release();
    virtual void Initialize();
    void RequestInitialization();
    qint32 GetRetainCount() const { return m_retainCount; }
    void SetRetainCount(qint64 count) { m_retainCount = static_cast<qint32>(count); }
    bool IsAutoreleasing() const { return m_autoreleaseEntries > 0; }
    bool DidInitializeFromArchive() const { return m_initializedFromArchive; }
    bool DidInitializeFromCopying() const { return m_initializedFromCopying; }
    void* GetInitializationParameters() const { return m_initializationParameters; }
    void* GetCopyParameters() const { return m_copyParameters; }
    void SetCopyParameters(void* params) { m_copyParameters = params; }
    TObject* CacheObject(TObject* object);
    virtual void InitializeParameter(qint32 /*position*/, const QVariant& /*parameter*/) {}

    // Membership and identity.
    bool IsMember(TObjectClass cls) const;
    bool IsMember(const QString& className) const;
    bool IsMember(const TObject* other) const;
    virtual bool IsEqual(const TObject* other) const { return other == this; }
    virtual bool GetMethodResponse(const QString& /*name*/) const { return false; }

    // Archiving.
    virtual void EncodeData(TArchiver* archiver);
    virtual void DecodeData(TArchiver* archiver);
    TArchiver* CopyArchive();
    void ArchiveObject(TArchiver* archiver);
    void ArchiveObject(TArchiver* archiver, const QString& key);
    QByteArray GetArchivedData();
    void DecodeAndInitializeFromArchive(TArchiver* archiver, void* params);

    // Copying: a new object of the same class, count 1, owned by the caller. CopyOfClass copies into
    // this class or one of its ancestors; null for any other class.
    TObject* Copy(void* params = nullptr);
    TObject* CopyOfClass(TObjectClass cls);
    virtual void CopyInstanceVariables(TObject* source);

    // Typed properties.
    virtual void SetTypeProperty(const QString& name, const QVariant& value);
    virtual void SetIntegerProperty(const QString& name, qint32 value);
    virtual void SetStringProperty(const QString& name, const QString& value);
    virtual void SetBooleanProperty(const QString& name, bool value);
    virtual void SetDataProperty(const QString& name, const QByteArray& bytes);
    virtual QVariant GetTypeProperty(const QString& name) const;
    virtual bool GetBooleanProperty(const QString& name) const;
    virtual QString GetStringProperty(const QString& name) const;
    virtual qint32 GetIntegerProperty(const QString& name) const;
    virtual bool GetDataProperty(const QString& name, QByteArray* bytes) const;
    virtual void RemoveProperty(const QString& name);
    virtual bool ContainsProperty(const QString& name) const;
    void SetObjectPropertiesArchivable(bool archivable) { m_objectPropertiesArchivable = archivable; }

    // Methods by name.
    void RegisterMethod(const QString& name, MethodPointer method);
    void RegisterVoidMethod(const QString& name, VoidMethodPointer method);
    MethodPointer FindMethod(const QString& name) const;
    bool IsMethodRegistered(const QString& name) const;
    void* InvokeMethod(MethodPointer code, void* params);
    void* InvokeMethod(VoidMethodPointer code);
    void* InvokeMethod(const QString& name, void* params = nullptr);
    void SetWarnMissingMethods(bool warn) { m_warnMissingMethods = warn; }
    bool WarnsMissingMethods() const { return m_warnMissingMethods; }

    // Delegate.
    void SetDelegate(TObject* delegate, bool retain = true);
    void RemoveDelegate();
    TObject* ObjectDelegate() const { return m_delegate; }
    void* InvokeDelegate(const QString& name, void* params = nullptr);

    // The handle that carries this object through Qt.
    void SetMaintainCocoaObject(bool maintain) { m_maintainCocoaObject = maintain; }
    NSObjectWrapperPtr GetCocoaObject();

    // Diagnostics: "TClass (0000...ADDRESS)" in the short form, followed by " #count" in the long one.
    QString GetDebugString(bool shortForm = false) const;
    QString CopyDescription() const { return GetDebugString(false); }
    void Show() const;

    // A number that identifies this object among all objects of the process's lifetime.
    quint64 GetSerial() const { return m_serial; }

protected:
    TObject();
    virtual ~TObject();
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

    // Tears the object down and frees it; overrides call the inherited one last.
    virtual void Deallocate();
    // Handlers of methods invoked by name that have no registered code; false when not handled.
    virtual bool DispatchStr(const QString& name, void* params);
    virtual void DefaultHandlerStr(const QString& name);

private:
    friend class NSObjectWrapper;
    friend class TNotificationCenter;
    static TObject* NewInstance_();
    void autoreleaseDrained() override;
    void trace(const char* what, bool longForm = false) const;

    bool m_warnMissingMethods = false;
    QHash<QString, MethodPointer> m_methods;
    QHash<QString, VoidMethodPointer> m_voidMethods;
    QVariantMap m_properties;
    std::vector<TObject*> m_cachedObjects;
    int m_autoreleaseEntries = 0;
    qint32 m_retainCount = 0;
    bool m_initialized = false;
    bool m_initializedFromArchive = false;
    bool m_initializedFromCopying = false;
    void* m_initializationParameters = nullptr;
    void* m_copyParameters = nullptr;
    TObject* m_delegate = nullptr;
    bool m_objectPropertiesArchivable = false;
    bool m_retainDelegate = false;
    bool m_maintainCocoaObject = false;
    bool m_inLiveRegistry = false;
    bool m_observing = false; // registered as an observer by some notification centre
    NSObjectWrapperPtr m_cocoaObject;
    std::shared_ptr<TObject*> m_weakSlot; // shared with weak wrappers, cleared when the object goes
    quint64 m_serial;
};

// Setters of owned fields.
void RetainObject(TObject*& field, TObject* object);
void ReleaseObject(TObject*& field);
void AssignObject(TObject*& field, TObject* object);
template <class T> void RetainObject(T*& field, T* object) {
    TObject* f = field;
    RetainObject(f, object);
    field = static_cast<T*>(f);
}
template <class T> void ReleaseObject(T*& field) {
    TObject* f = field;
    ReleaseObject(f);
    field = static_cast<T*>(f);
}

// The class registry, keyed by the stored class name.
void RegisterClass(TObjectClass cls);
void RegisterClass(const QString& name, TObjectClass cls);
bool ClassRegistered(const QString& name);
TObjectClass FindClass(const QString& name); // warns when missing
TObject* AllocateClass(const QString& name);
TObject* AllocateClass(const QString& name, const QVariantList& parameters);
bool MemberOfClass(const TObject* object, TObjectClass cls);
bool MemberOfClass(const TObject* object, const QString& className);
QString InstanceVarName(TObjectClass cls, const QString& name);
TObject* Transform(TObject* object, TObjectClass cls); // autoreleased CopyOfClass; null as it is
// Registers the classes of this layer; called once at start-up.
void RegisterFoundationClasses();
// The collections' and notifications' part of it (FoundationClasses.cpp).
void RegisterMoreFoundationClasses();

// Objects made from archives by the class named under "system.class"; count 1, owned by the
// caller; null when no object could be made. status receives the Load result.
TObject* AllocateFromArchive(const FSRef& file, void* params = nullptr, int* status = nullptr);
TObject* AllocateFromArchive(const FSRef& file, const QString& key, void* params = nullptr,
                             int* status = nullptr);
TObject* AllocateFromArchive(TArchiver* archiver, qint64 index, void* params);
TObject* AllocateFromArchive(TArchiver* archiver, const QString& key, void* params = nullptr);
TObject* AllocateFromArchive(TArchiver* archiver, void* params = nullptr);
TObject* AllocateFromDictionary(const QVariantMap& dictionary, void* params = nullptr);
TObject* AllocateFromXMLData(const QByteArray& data, void* params = nullptr);

// Holds one reference to an object for C++ code; raw pointers elsewhere are non-owning.
template <class T> class Ref {
public:
    Ref() = default;
    // Takes over a reference the caller owns (from Create, Allocate, Copy...).
    static Ref adopt(T* object) {
        Ref r;
        r.m_object = object;
        return r;
    }
    // Retains an object the caller does not own.
    static Ref retain(T* object) {
        if (object) object->Retain();
        return adopt(object);
    }
    Ref(const Ref& other) : m_object(other.m_object) {
        if (m_object) m_object->Retain();
    }
    Ref(Ref&& other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }
    Ref& operator=(Ref other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~Ref() {
        if (m_object) m_object->Release();
    }
    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    // Gives up the reference to the caller.
    T* take() {
        T* o = m_object;
        m_object = nullptr;
        return o;
    }

private:
    T* m_object = nullptr;
};

// An object that owns one foreign reference and frees it with its release routine when it goes.
class TCFType : public TObject {
    T_OBJECT(TCFType, TObject)
public:
    using Releaser = void (*)(void*);
    static TCFType* Create(void* reference, Releaser release);
    void* Reference() const { return m_reference; }

protected:
    TCFType() = default;
    void Deallocate() override;

private:
    void* m_reference = nullptr;
    Releaser m_release = nullptr;
};

// Hands a foreign reference to the autorelease pool; returns it (null is returned unchanged).
void* CFAutorelease(void* reference, TCFType::Releaser release);

namespace ObjectDiagnostics {
void ToggleMemoryNotes();
bool MemoryNotesShown();
// Drains the pool outside any scope (the run loop does this once per turn).
void DumpAutoreleaseTable();
} // namespace ObjectDiagnostics
