#include "Object.h"

#include "Archiver.h"
#include "NSObjectWrapper.h"
#include "NotificationCenter.h"
#include "platform/Diagnostics.h"
#include "platform/VariantKinds.h"

#include <QStringList>
#include <array>

namespace {

quint64 g_nextSerial = 1;
bool g_showMemoryNotes = false;
const QStringList kIgnoreClasses{QStringLiteral("dTDictionary")};

QHash<QString, TObjectClass>& registry() {
    static QHash<QString, TObjectClass> classes;
    return classes;
}

TObject* makeFromArchive(TArchiver* archiver, void* params) {
    TObject* object = AllocateClass(archiver->GetStringValue(TArchiver::kClassKey));
    if (object) object->DecodeAndInitializeFromArchive(archiver, params);
    return object;
}

} // namespace

// --- class record -------------------------------------------------------------------------------

TObject* TObject::NewInstance_() {
    return new TObject();
}

TObjectClass TObject::StaticClass() {
    static const TObjectClassInfo info{"TObject", nullptr, &TObject::NewInstance_};
    return &info;
}

TObject::TObject() : m_serial(g_nextSerial++) {}
TObject::~TObject() = default;

// --- construction and reference counting --------------------------------------------------------

TObject* TObject::AllocateOf(TObjectClass cls) {
    if (!cls || !cls->allocate) return nullptr;
    TObject* object = cls->allocate();
    object->m_retainCount = 1;
    object->trace("* alloc ");
    return object;
}

TObject* TObject::Create() {
    TObject* object = Allocate();
    object->Initialize();
    return object;
}

TObject* TObject::Instance() {
    TObject* object = Create();
    object->Autorelease();
    return object;
}

void TObject::Initialize() {
    // A reference taken while decoding or copying, before this runs, is kept.
    if (m_retainCount < 1) m_retainCount = 1;
    m_initialized = true;
    trace("* init ");
}

void TObject::RequestInitialization() {
    if (!m_initialized) Initialize();
}

TObject* TObject::Retain() {
    ++m_retainCount;
    trace("* retain ");
    return this;
}

TObject* TObject::Autorelease() {
    if (m_autoreleaseEntries > 0)
        Diagnostics::warning(QStringLiteral("attempting to double-autorelease an object of class ") +
                             GetDebugString(false));
    AutoreleasePool::add(this);
    ++m_autoreleaseEntries;
    return this;
}

void TObject::autoreleaseDrained() {
    --m_autoreleaseEntries;
    Release();
}

void TObject::Release() {
    --m_retainCount;
    trace("* release ");
    if (m_retainCount > 0) return;
    // No notice may reach the object while it is torn down or after.
    if (m_observing) {
        m_observing = false;
        TNotificationCenter::RemoveFromEveryCenter(this);
    }
    Deallocate();
}

void TObject::Deallocate() {
    if (m_retainCount > 0)
        Diagnostics::warning(QStringLiteral("Trying to deallocate an object with positive retain count"));
    if (m_autoreleaseEntries > 0) {
        Diagnostics::warning(QStringLiteral("Attempted to manually release an object (") +
                             GetDebugString(false) + QStringLiteral(") in the auto-release table!"));
        // The pending entries must never reach a freed object.
        AutoreleasePool::forget(this);
        m_autoreleaseEntries = 0;
    }
    std::vector<TObject*> cached;
    cached.swap(m_cachedObjects);
    for (TObject* object : cached) object->Release();
    m_methods.clear();
    m_properties.clear();
    trace("* deallocate ", true);
    if (m_delegate && m_retainDelegate) m_delegate->Release();
    m_delegate = nullptr;
    if (m_cocoaObject) {
        m_cocoaObject->objectGone();
        m_cocoaObject.reset();
    }
    if (m_weakSlot) *m_weakSlot = nullptr;
    if (m_inLiveRegistry) NSObjectWrapper::forgetLiveObject(this);
    delete this;
}

TObject* TObject::CacheObject(TObject* object) {
    if (object) {
        object->Retain();
        m_cachedObjects.push_back(object);
    }
    return object;
}

void TObject::trace(const char* what, bool longForm) const {
    if (!g_showMemoryNotes) return;
    if (kIgnoreClasses.contains(ClassName())) return;
    Diagnostics::line(QString::fromLatin1(what) + GetDebugString(!longForm));
}

// --- membership ----------------------------------------------------------------------------------

bool TObject::IsMember(TObjectClass cls) const {
    return MemberOfClass(this, cls);
}
bool TObject::IsMember(const QString& className) const {
    return MemberOfClass(this, className);
}
bool TObject::IsMember(const TObject* other) const {
    return other && MemberOfClass(this, other->GetClass());
}

// --- archiving -------------------------------------------------------------------------------------

void TObject::EncodeData(TArchiver* archiver) {
    archiver->SetStringValue(TArchiver::kClassKey, ClassName());
    if (m_objectPropertiesArchivable) archiver->SetValue(TArchiver::kObjectPropertiesKey, m_properties);
}

void TObject::DecodeData(TArchiver* archiver) {
    if (archiver->ContainsKey(TArchiver::kObjectPropertiesKey))
        m_properties = archiver->GetValue(TArchiver::kObjectPropertiesKey).toMap();
}

TArchiver* TObject::CopyArchive() {
    TArchiver* archiver = TArchiver::Create();
    EncodeData(archiver);
    return archiver;
}

void TObject::ArchiveObject(TArchiver* archiver) {
    if (!AllowArchiving()) return;
    TArchiver* archive = CopyArchive();
    archiver->AppendArchive(archive);
    archive->Release();
}

void TObject::ArchiveObject(TArchiver* archiver, const QString& key) {
    if (!AllowArchiving()) return;
    TArchiver* archive = CopyArchive();
    archiver->SetArchive(key, archive);
    archive->Release();
}

QByteArray TObject::GetArchivedData() {
    TArchiver* archive = CopyArchive();
    const QByteArray data = archive->CopyXMLData();
    archive->Release();
    return data;
}

void TObject::DecodeAndInitializeFromArchive(TArchiver* archiver, void* params) {
    m_initializedFromArchive = true;
    m_initializationParameters = params;
    DecodeData(archiver);
    RequestInitialization();
}

// --- copying ---------------------------------------------------------------------------------------

TObject* TObject::Copy(void* params) {
    TObject* copy = AllocateOf(GetClass());
    if (!copy) return nullptr;
    copy->m_initializedFromCopying = true;
    if (params) copy->m_copyParameters = params;
    copy->CopyInstanceVariables(this);
    copy->Initialize();
    return copy;
}

TObject* TObject::CopyOfClass(TObjectClass cls) {
    // A class's CopyInstanceVariables reads the source as one of its own; only this object's class
    // and its ancestors can do that.
    if (!MemberOfClass(this, cls)) return nullptr;
    TObject* copy = AllocateOf(cls);
    if (!copy) return nullptr;
    copy->CopyInstanceVariables(this);
    copy->Initialize();
    return copy;
}

void TObject::CopyInstanceVariables(TObject*) {}

// --- properties ------------------------------------------------------------------------------------

void TObject::SetTypeProperty(const QString& name, const QVariant& value) {
    if (value.isValid()) m_properties.insert(name, value);
}
void TObject::SetIntegerProperty(const QString& name, qint32 value) {
    m_properties.insert(name, value);
}
void TObject::SetStringProperty(const QString& name, const QString& value) {
    m_properties.insert(name, value);
}
void TObject::SetBooleanProperty(const QString& name, bool value) {
    m_properties.insert(name, value);
}
void TObject::SetDataProperty(const QString& name, const QByteArray& bytes) {
    m_properties.insert(name, bytes);
}

QVariant TObject::GetTypeProperty(const QString& name) const {
    return m_properties.value(name);
}

bool TObject::GetBooleanProperty(const QString& name) const {
    auto it = m_properties.constFind(name);
    if (it == m_properties.constEnd()) return false;
    return !(it.value().metaType().id() == QMetaType::Bool && !it.value().toBool());
}

QString TObject::GetStringProperty(const QString& name) const {
    const QVariant v = m_properties.value(name);
    return v.metaType().id() == QMetaType::QString ? v.toString() : QString();
}

qint32 TObject::GetIntegerProperty(const QString& name) const {
    auto it = m_properties.constFind(name);
    if (it == m_properties.constEnd()) return -1;
    return VariantKinds::exactInt32(it.value()).value_or(0);
}

bool TObject::GetDataProperty(const QString& name, QByteArray* bytes) const {
    auto it = m_properties.constFind(name);
    if (it == m_properties.constEnd() || it.value().metaType().id() != QMetaType::QByteArray) return false;
    if (bytes) *bytes = it.value().toByteArray();
    return true;
}

void TObject::RemoveProperty(const QString& name) {
    m_properties.remove(name);
}
bool TObject::ContainsProperty(const QString& name) const {
    return m_properties.contains(name);
}

// --- methods by name -------------------------------------------------------------------------------

void TObject::RegisterMethod(const QString& name, MethodPointer method) {
    m_methods.insert(name, method);
    m_voidMethods.remove(name);
}

void TObject::RegisterVoidMethod(const QString& name, VoidMethodPointer method) {
    // Stored as a method whose result is null; the two pointer types are never called through each other.
    m_voidMethods.insert(name, method);
    m_methods.remove(name);
}

TObject::MethodPointer TObject::FindMethod(const QString& name) const {
    return m_methods.value(name);
}

bool TObject::IsMethodRegistered(const QString& name) const {
    return m_methods.contains(name) || m_voidMethods.contains(name);
}

void* TObject::InvokeMethod(MethodPointer code, void* params) {
    return code ? code(this, params) : nullptr;
}

void* TObject::InvokeMethod(VoidMethodPointer code) {
    if (code) code(this);
    return nullptr;
}

void* TObject::InvokeMethod(const QString& name, void* params) {
    if (MethodPointer method = m_methods.value(name)) return InvokeMethod(method, params);
    if (VoidMethodPointer method = m_voidMethods.value(name)) return InvokeMethod(method);
    if (!DispatchStr(name, params)) DefaultHandlerStr(name);
    return nullptr;
}

bool TObject::DispatchStr(const QString&, void*) {
    return false;
}

void TObject::DefaultHandlerStr(const QString& name) {
    if (m_warnMissingMethods)
        Diagnostics::warning(QStringLiteral("the method ") + name +
                             QStringLiteral(" could not be found in ") + ClassName() + QStringLiteral("."));
}

// --- delegate --------------------------------------------------------------------------------------

void TObject::SetDelegate(TObject* delegate, bool retain) {
    if (delegate && retain) delegate->Retain();
    if (m_delegate && m_retainDelegate) m_delegate->Release();
    m_delegate = delegate;
    m_retainDelegate = retain;
}

void TObject::RemoveDelegate() {
    if (m_delegate && m_retainDelegate) m_delegate->Release();
    m_delegate = nullptr;
    m_retainDelegate = false;
}

void* TObject::InvokeDelegate(const QString& name, void* params) {
    return m_delegate ? m_delegate->InvokeMethod(name, params) : nullptr;
}

// --- handle and diagnostics ------------------------------------------------------------------------

NSObjectWrapperPtr TObject::GetCocoaObject() {
    if (m_maintainCocoaObject) {
        if (!m_cocoaObject) m_cocoaObject = NSObjectWrapper::weakWrapperWithObject(this);
        return m_cocoaObject;
    }
    if (m_cocoaObject) {
        m_cocoaObject->objectGone();
        m_cocoaObject.reset();
    }
    return NSObjectWrapper::wrapperWithObject(this);
}

QString TObject::GetDebugString(bool shortForm) const {
    QString text =
        ClassName() + QStringLiteral(" (") +
        QStringLiteral("%1").arg(reinterpret_cast<quintptr>(this), 16, 16, QLatin1Char('0')).toUpper() +
        QStringLiteral(")");
    if (!shortForm) text += QStringLiteral(" #") + QString::number(m_retainCount);
    return text;
}

void TObject::Show() const {
    Diagnostics::line(CopyDescription());
}

// --- unit routines ---------------------------------------------------------------------------------

void RetainObject(TObject*& field, TObject* object) {
    if (object == field) return;
    if (object) object->Retain();
    ReleaseObject(field);
    field = object;
}

void ReleaseObject(TObject*& field) {
    if (!field) return;
    TObject* old = field;
    field = nullptr;
    old->Release();
}

void AssignObject(TObject*& field, TObject* object) {
    if (field) field->Release();
    field = object;
}

void RegisterClass(TObjectClass cls) {
    if (cls) RegisterClass(QString::fromLatin1(cls->name), cls);
}

void RegisterClass(const QString& name, TObjectClass cls) {
    if (!cls || registry().contains(name)) return;
    registry().insert(name, cls);
}

bool ClassRegistered(const QString& name) {
    return registry().contains(name);
}

TObjectClass FindClass(const QString& name) {
    if (registry().isEmpty()) {
        Diagnostics::warning(QStringLiteral("No classes are registered! The class ") + name +
                             QStringLiteral(" can not be found."));
        return nullptr;
    }
    // Archives name the same few classes (a row, its children's list) over and over: the last ones
    // found are looked at before hashing the name. A registered name never changes its class.
    struct Found {
        QString name;
        TObjectClass cls = nullptr;
    };
    thread_local std::array<Found, 4> recent;
    thread_local size_t next = 0;
    for (const Found& found : recent)
        if (found.cls && found.name == name) return found.cls;
    TObjectClass cls = registry().value(name);
    if (cls) {
        recent[next] = {name, cls};
        next = (next + 1) % recent.size();
    } else
        Diagnostics::warning(QStringLiteral("The class ") + name + QStringLiteral(" is not registered."));
    return cls;
}

TObject* AllocateClass(const QString& name) {
    TObjectClass cls = FindClass(name);
    if (!cls) {
        Diagnostics::warning(QStringLiteral("The class ") + name + QStringLiteral(" is not registered."));
        return nullptr;
    }
    return TObject::AllocateOf(cls);
}

TObject* AllocateClass(const QString& name, const QVariantList& parameters) {
    TObject* object = AllocateClass(name);
    if (!object) return nullptr;
    for (qsizetype i = 0; i < parameters.size(); ++i)
        object->InitializeParameter(static_cast<qint32>(i + 1), parameters.at(i));
    return object;
}

bool MemberOfClass(const TObject* object, TObjectClass cls) {
    if (!object || !cls) return false;
    for (TObjectClass c = object->GetClass(); c; c = c->parent)
        if (c == cls) return true;
    return false;
}

bool MemberOfClass(const TObject* object, const QString& className) {
    if (!object) return false;
    return MemberOfClass(object, registry().value(className));
}

QString InstanceVarName(TObjectClass cls, const QString& name) {
    return QString::fromLatin1(cls ? cls->name : "") + QStringLiteral(".") + name;
}

TObject* Transform(TObject* object, TObjectClass cls) {
    if (!object) return nullptr;
    TObject* copy = object->CopyOfClass(cls);
    if (copy) copy->Autorelease();
    return copy;
}

void RegisterFoundationClasses() {
    RegisterClass(TObject::StaticClass());
    RegisterMoreFoundationClasses();
}

TObject* AllocateFromArchive(const FSRef& file, void* params, int* status) {
    return AllocateFromArchive(file, TArchiver::kClassKey, params, status);
}

TObject* AllocateFromArchive(const FSRef& file, const QString& key, void* params, int* status) {
    TArchiver* archiver = TArchiver::CreateWithFile(file);
    const int result = archiver->Load();
    if (status) *status = result;
    TObject* object = nullptr;
    if (result == 0) {
        if (TArchiver* nested = archiver->CopyArchive(key)) {
            object = makeFromArchive(nested, params);
            nested->Release();
        } else if (key == TArchiver::kClassKey) {
            object = makeFromArchive(archiver, params);
        }
    }
    archiver->Release();
    return object;
}

TObject* AllocateFromArchive(TArchiver* archiver, qint64 index, void* params) {
    if (!archiver) return nullptr;
    TArchiver* nested = archiver->CopyArchive(index);
    if (!nested) return nullptr;
    TObject* object = makeFromArchive(nested, params);
    nested->Release();
    return object;
}

TObject* AllocateFromArchive(TArchiver* archiver, const QString& key, void* params) {
    if (!archiver) return nullptr;
    TArchiver* nested = archiver->CopyArchive(key);
    if (!nested) return nullptr;
    TObject* object = makeFromArchive(nested, params);
    nested->Release();
    return object;
}

TObject* AllocateFromArchive(TArchiver* archiver, void* params) {
    return archiver ? makeFromArchive(archiver, params) : nullptr;
}

TObject* AllocateFromDictionary(const QVariantMap& dictionary, void* params) {
    TArchiver* archiver = TArchiver::CreateWithDictionary(dictionary);
    TObject* object = makeFromArchive(archiver, params);
    archiver->Release();
    return object;
}

TObject* AllocateFromXMLData(const QByteArray& data, void* params) {
    TArchiver* archiver = TArchiver::CreateWithXMLData(data);
    TObject* object = makeFromArchive(archiver, params);
    archiver->Release();
    return object;
}

// --- TCFType ---------------------------------------------------------------------------------------

TCFType* TCFType::Create(void* reference, Releaser release) {
    TCFType* object = Allocate();
    object->m_reference = reference;
    object->m_release = release;
    object->Initialize();
    return object;
}

void TCFType::Deallocate() {
    if (m_reference && m_release) m_release(m_reference);
    m_reference = nullptr;
    TObject::Deallocate();
}

void* CFAutorelease(void* reference, TCFType::Releaser release) {
    if (!reference) return nullptr;
    TCFType::Create(reference, release)->Autorelease();
    return reference;
}

namespace ObjectDiagnostics {
void ToggleMemoryNotes() {
    g_showMemoryNotes = !g_showMemoryNotes;
}
bool MemoryNotesShown() {
    return g_showMemoryNotes;
}
void DumpAutoreleaseTable() {
    AutoreleasePool::drainRoot();
}
} // namespace ObjectDiagnostics
