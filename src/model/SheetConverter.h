#pragma once

#include <QRectF>
#include <QString>
#include <QVariantMap>

class TSheet;

// Sheets of the previous generation made into sheets: "qxproj" projects (outline cards of tasks and
// attachments) and "mzsheet" sheets of the rich-text edition (cards with pages and embedded cards).
// The source is only read. Each gives a new sheet at the destination (owned by the caller, not yet
// saved), or null with the reason when the source can't be read, is not a sheet of that kind (a
// property list of anything else: nothing is written then), or something exists at the destination.
TSheet* ConvertJobslateSheet(const QString& source, const QString& destination, QString* error = nullptr);
TSheet* ConvertMemoleafSheet(const QString& source, const QString& destination, QString* error = nullptr);

// The destination the conversion command uses: "<name> (Converted).qxsheet" in the folder, or
// "<name> (Converted) 2.qxsheet" and so on when that exists.
QString ConvertedSheetPath(const QString& source, const QString& sheetFolder);

// The four frame values (big-endian floats in data), clamped as converted cards are: at least
// 216 × 80, origin y between 40 and 780. A value that is no data of 4 bytes or more counts as missing,
// and a card with a missing value keeps the new card's frame (0, 0, 400, 300) for it.
QRectF ConvertFrameToRect(const QVariantMap& card);
