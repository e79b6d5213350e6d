#pragma once

#include "model/ModelContracts.h"
#include "platform/PlistCodec.h"

#include <QDir>
#include <QFile>

#include <QStringList>

// Recording stand-ins for the windows and the application delegate.

class RecordingCardController : public TCardControllerProtocol {
public:
    explicit RecordingCardController(TCard* card = nullptr) : m_card(card) {}
    TCard* card() const override { return m_card; }
    void showWindow() override { calls << QStringLiteral("showWindow"); }
    QImage capturePreviewImage() override {
        calls << QStringLiteral("capturePreviewImage");
        return preview;
    }
    void updatePreviewImage() override { calls << QStringLiteral("updatePreviewImage"); }
    void updatePreviewImageIfNeedsDisplay() override {
        calls << QStringLiteral("updatePreviewImageIfNeedsDisplay");
    }
    void setUINeedsDisplay() override { calls << QStringLiteral("setUINeedsDisplay"); }
    void removeCard(TCard*) override { calls << QStringLiteral("removeCard"); }
    bool respondsToTabs() const override { return true; }
    void openCardWithUUID(const QString& uuid) override {
        calls << QStringLiteral("openCardWithUUID ") + uuid;
    }
    void removeTab(const QString& identifier) override { calls << QStringLiteral("removeTab ") + identifier; }
    void updateCardApperance(TCard*) override { calls << QStringLiteral("updateCardApperance"); }
    QRectF windowFrame() const override { return frame; }
    void close() override { calls << QStringLiteral("close"); }

    QStringList calls;
    QImage preview;
    QRectF frame;

private:
    TCard* m_card;
};

class RecordingCardViewController : public TCardViewController {
public:
    void modify() override { ++modifies; }
    TCardControllerProtocol* owner() const override { return controller; }
    int modifies = 0;
    TCardControllerProtocol* controller = nullptr;
};

class RecordingAppController : public TAppController {
public:
    TCardControllerProtocol* makeControllerForCard(TCard* card) override {
        calls << QStringLiteral("makeControllerForCard");
        return makeControllers ? new RecordingCardController(card) : nullptr;
    }
    bool removeController(TCardControllerProtocol* controller) override {
        calls << QStringLiteral("removeController");
        controller->close();
        return true;
    }
    void activeSheetWillChange(TSheet*) override { calls << QStringLiteral("activeSheetWillChange"); }
    void activeSheetDidChange(TSheet*) override { calls << QStringLiteral("activeSheetDidChange"); }
    QImage previewForController(TCardControllerProtocol* controller, QRectF* screenFrame) override {
        calls << QStringLiteral("previewForController");
        if (screenFrame) *screenFrame = controller->windowFrame();
        return controller->capturePreviewImage();
    }
    void displayMissingEventsNotice() override { calls << QStringLiteral("displayMissingEventsNotice"); }
    void updateSheetPreviewAfterDelay() override { calls << QStringLiteral("updateSheetPreviewAfterDelay"); }
    void saveActiveSheet() override { calls << QStringLiteral("saveActiveSheet"); }
    void convertLegacySheets() override { calls << QStringLiteral("convertLegacySheets"); }
    void addSheetAsStack() override { calls << QStringLiteral("addSheetAsStack"); }

    QStringList calls;
    bool makeControllers = true;
};

// Installs the recording delegate while it lives.
class ScopedAppController {
public:
    ScopedAppController() { ModelContracts::setApplicationDelegate(&delegate); }
    ~ScopedAppController() { ModelContracts::setApplicationDelegate(nullptr); }
    ScopedAppController(const ScopedAppController&) = delete;
    ScopedAppController& operator=(const ScopedAppController&) = delete;
    RecordingAppController delegate;
};

// The titles held by the card files of a folder (a sheet, or a stand-in Trash).
inline QStringList storedCardTitles(const QString& folder) {
    QStringList titles;
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("*.qxcard")}, QDir::Files | QDir::Hidden)) {
        QFile file(folder + QLatin1Char('/') + name);
        if (file.open(QIODevice::ReadOnly))
            titles << PlistCodec::decode(file.readAll()).toMap().value(QStringLiteral("title")).toString();
    }
    return titles;
}

// Gives the card file another title in place, as another device's sync does.
inline bool retitleCardFile(const QString& path, const QString& title) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QVariantMap map = PlistCodec::decode(file.readAll()).toMap();
    file.close();
    map[QStringLiteral("title")] = title;
    QByteArray bytes;
    if (!PlistCodec::encode(map, &bytes) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}
