#include "platform/calendar/ICalendarCodec.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

// Every file of the iCalendar fuzz corpus gives an event or a clean error; an event expands and
// writes back unchanged as text that reads as the same event.
TEST(FuzzCorpus, ICalendarReader) {
    const QDir dir(QStringLiteral(JOBSLATE_FIXTURES "/../fuzz/corpus/ical"));
    const QStringList names = dir.entryList(QDir::Files);
    EXPECT_FALSE(names.isEmpty()) << dir.path().toStdString();
    for (const QString& name : names) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        ICalendarCodec::ParsedEvent event;
        QString reason;
        const ICalendarCodec::ParseResult result = ICalendarCodec::parse(f.readAll(), &event, &reason);
        if (result == ICalendarCodec::ParseResult::Malformed) {
            EXPECT_FALSE(reason.isEmpty()) << name.toStdString();
        }
        if (result != ICalendarCodec::ParseResult::Event) continue;
        int count = 0;
        ICalendarCodec::forEachOccurrence(event, [&](const QDateTime& start) {
            EXPECT_TRUE(start.isValid()) << name.toStdString();
            return ++count < 200;
        });
        const EKEventData read = event.data;
        ICalendarCodec::ParsedEvent again;
        const QByteArray text = ICalendarCodec::encodeChanges(event, read, QDateTime::currentDateTimeUtc());
        ASSERT_EQ(ICalendarCodec::parse(text, &again, &reason), ICalendarCodec::ParseResult::Event)
            << name.toStdString() << ": " << reason.toStdString();
        EXPECT_TRUE(again.data == read) << name.toStdString();
    }
}
