#include "CalendarTestSupport.h"

#include "platform/AtomicFile.h"
#include "platform/Scheduler.h"
#include "platform/calendar/VdirEventStore.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <libical/ical.h>

namespace {

struct IcalFile {
    explicit IcalFile(const QString& path) : root(icalparser_parse_string(readFile(path).constData())) {
        if (root) event = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT);
    }
    ~IcalFile() {
        if (root) icalcomponent_free(root);
    }
    QByteArray property(icalproperty_kind kind) const {
        icalproperty* p = icalcomponent_get_first_property(event, kind);
        return p ? QByteArray(icalproperty_get_value_as_string(p)) : QByteArray();
    }
    QByteArray parameter(icalproperty_kind kind, icalparameter_kind param) const {
        icalproperty* p = icalcomponent_get_first_property(event, kind);
        icalparameter* a = p ? icalproperty_get_first_parameter(p, param) : nullptr;
        return a ? QByteArray(icalparameter_get_xvalue(a) ? icalparameter_get_xvalue(a)
                                                          : icalparameter_as_ical_string(a))
                 : QByteArray();
    }
    icalcomponent* root;
    icalcomponent* event = nullptr;
};

class VdirEventStoreTest : public ::testing::Test {
protected:
    QString root() const { return dir.path(); }
    // A one-off event on 1 March 2026, saved in the default calendar.
    static std::shared_ptr<EKEvent> saveNewEvent(EKEventStore& store, const QString& title) {
        auto event = store.newEvent();
        event->setTitle(title);
        event->setCalendar(store.defaultCalendarForNewEvents());
        event->setStartDate(QDateTime(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC));
        event->setEndDate(event->startDate());
        EXPECT_TRUE(store.saveEvent(event, EKSpanFutureEvents, true));
        return event;
    }
    ScopedManualScheduler clock;
    QTemporaryDir dir;
};

TEST_F(VdirEventStoreTest, WritesOneICalendarFilePerEvent) {
    auto store = VdirEventStore::create(root());
    auto calendar = store->defaultCalendarForNewEvents();
    ASSERT_TRUE(calendar);
    EXPECT_EQ(readFile(root() + "/default/displayname"), "Jobslate\n");
    EXPECT_TRUE(readFile(root() + "/default/color").startsWith('#'));
    EXPECT_EQ(calendar->title(), "Jobslate");
    EXPECT_TRUE(calendar->allowsContentModifications());

    auto event = store->newEvent();
    event->setTitle("Dentist");
    event->setNotes("Bring the card");
    event->setCalendar(calendar);
    event->setStartDate(QDateTime(QDate(2026, 7, 1), QTime(8, 30), berlin()));
    event->setEndDate(QDateTime(QDate(2026, 7, 1), QTime(9, 0), berlin()));
    event->addAlarm(EKAlarm::alarmWithRelativeOffset(-900));
    event->addRecurrenceRule(EKRecurrenceRule(EKRecurrenceFrequencyWeekly, 2));
    ASSERT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true));

    const QString path = root() + "/default/" + event->calendarItemExternalIdentifier() + ".ics";
    IcalFile file(path);
    ASSERT_TRUE(file.root && file.event);
    EXPECT_EQ(icalcomponent_count_errors(file.root), 0);
    EXPECT_EQ(file.property(ICAL_UID_PROPERTY), event->calendarItemExternalIdentifier().toUtf8());
    EXPECT_EQ(file.property(ICAL_SUMMARY_PROPERTY), "Dentist");
    EXPECT_EQ(QString::fromUtf8(icalcomponent_get_description(file.event)), "Bring the card");
    EXPECT_EQ(file.property(ICAL_DTSTART_PROPERTY), "20260701T083000");
    EXPECT_EQ(file.parameter(ICAL_DTSTART_PROPERTY, ICAL_TZID_PARAMETER), "Europe/Berlin");
    EXPECT_EQ(file.property(ICAL_DTEND_PROPERTY), "20260701T090000");
    EXPECT_EQ(file.property(ICAL_RRULE_PROPERTY), "FREQ=WEEKLY;INTERVAL=2");
    EXPECT_TRUE(icalcomponent_get_first_component(file.root, ICAL_VTIMEZONE_COMPONENT));
    icalcomponent* alarm = icalcomponent_get_first_component(file.event, ICAL_VALARM_COMPONENT);
    ASSERT_TRUE(alarm);
    EXPECT_EQ(QByteArray(icalproperty_get_value_as_string(
                  icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY))),
              "-PT15M");

    event->setTitle("Dentist at nine");
    ASSERT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true));
    EXPECT_TRUE(readFile(path).contains("DESCRIPTION:Dentist at nine"))
        << "the alarm's text follows the title";

    // A second store on the same folder reads the same event back.
    auto reopened = VdirEventStore::create(root());
    auto found = reopened->eventWithIdentifier(event->eventIdentifier());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->startDate(), event->startDate());
    EXPECT_EQ(found->startDate().timeZone().id(), "Europe/Berlin");
    EXPECT_EQ(found->alarms(), event->alarms());
    EXPECT_EQ(found->recurrenceRules(), event->recurrenceRules());
}

TEST_F(VdirEventStoreTest, AllDayEventsAndAbsoluteAlarmsRoundTrip) {
    auto store = VdirEventStore::create(root());
    auto event = store->newEvent();
    event->setCalendar(store->defaultCalendarForNewEvents());
    event->setAllDay(true);
    event->setStartDate(QDateTime(QDate(2026, 5, 4), QTime(0, 0)));
    event->setEndDate(QDateTime(QDate(2026, 5, 5), QTime(23, 59, 59)));
    const QDateTime at(QDate(2026, 5, 3), QTime(18, 0), Qt::UTC);
    event->addAlarm(EKAlarm::alarmWithAbsoluteDate(at));
    ASSERT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true));

    IcalFile file(root() + "/default/" + event->calendarItemExternalIdentifier() + ".ics");
    EXPECT_EQ(file.property(ICAL_DTSTART_PROPERTY), "20260504");
    EXPECT_EQ(file.property(ICAL_DTEND_PROPERTY), "20260506") << "the end date of the file is exclusive";
    auto found = VdirEventStore::create(root())->eventWithIdentifier(event->eventIdentifier());
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->isAllDay());
    EXPECT_EQ(found->startDate().date(), QDate(2026, 5, 4));
    EXPECT_EQ(found->endDate().date(), QDate(2026, 5, 5));
    ASSERT_EQ(found->alarms().size(), 1);
    EXPECT_EQ(found->alarms().first().absoluteDate(), at);
}

TEST_F(VdirEventStoreTest, AnEventThatCannotBeWrittenReadablyIsRefusedAndLeavesTheFile) {
    auto store = VdirEventStore::create(root());
    auto saved = saveNewEvent(*store, "Kept");
    const QString path = root() + "/default/" + saved->calendarItemExternalIdentifier() + ".ics";
    const QByteArray before = readFile(path);

    const QDateTime farAway(QDate(10000, 1, 1), QTime(9, 0), Qt::UTC);
    struct Case {
        const char* what;
        bool existing;
        std::function<void(EKEvent&)> edit;
    };
    const std::vector<Case> cases = {
        {"new, start", false,
         [&](EKEvent& e) {
             e.setStartDate(farAway);
             e.setEndDate(farAway);
         }},
        {"new, alarm", false, [&](EKEvent& e) { e.addAlarm(EKAlarm::alarmWithAbsoluteDate(farAway)); }},
        {"existing, end", true, [&](EKEvent& e) { e.setEndDate(farAway); }},
    };
    for (const Case& c : cases) {
        auto event = c.existing ? store->eventWithIdentifier(saved->eventIdentifier()) : store->newEvent();
        if (!c.existing) {
            event->setCalendar(store->defaultCalendarForNewEvents());
            event->setStartDate(saved->startDate());
            event->setEndDate(saved->startDate());
        }
        c.edit(*event);
        QString error;
        EXPECT_FALSE(store->saveEvent(event, EKSpanFutureEvents, true, &error)) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
        EXPECT_EQ(QDir(root() + "/default").entryList({"*.ics"}, QDir::Files).size(), 1) << c.what;
        EXPECT_EQ(readFile(path), before) << c.what;
    }
    EXPECT_EQ(VdirEventStore::create(root())->eventWithIdentifier(saved->eventIdentifier())->title(), "Kept");
}

TEST_F(VdirEventStoreTest, ReadsAnotherProgramsFilesAndKeepsWhatItDoesNotUse) {
    copyFixtureCalendar("work", root());
    WarningCapture warnings;
    auto store = VdirEventStore::create(root());
    store->defaultCalendarForNewEvents();

    const auto calendars = store->calendarsForEntityType(EKEntityTypeEvent);
    ASSERT_EQ(calendars.size(), 2);
    EXPECT_EQ(calendars[0]->title(), "Jobslate");
    EXPECT_EQ(calendars[1]->title(), "Work");
    EXPECT_EQ(calendars[1]->color(), (ATSURGBAlphaColor{1.0f, 128 / 255.0f, 0.0f, 1.0f}));

    const auto found = store->calendarItemsWithExternalIdentifier("standup-2026@example.org");
    ASSERT_EQ(found.size(), 1);
    auto event = found.first();
    EXPECT_EQ(event->eventIdentifier(), "work/standup");
    EXPECT_EQ(event->title(), "Stand-up");
    EXPECT_EQ(event->location(), "Room 4");
    EXPECT_EQ(event->URL(), QUrl("https://example.org/standup"));
    EXPECT_TRUE(event->hasAttendees());
    EXPECT_EQ(event->startDate(), QDateTime(QDate(2026, 1, 5), QTime(9, 30), berlin()));
    ASSERT_EQ(event->alarms().size(), 1);
    EXPECT_EQ(event->alarms().first().relativeOffset(), -300)
        << "20 minutes before the end of a 15-minute event";
    ASSERT_EQ(event->recurrenceRules().size(), 1);
    EXPECT_EQ(event->recurrenceRules().first().frequency(), EKRecurrenceFrequencyWeekly);

    // The broken file is skipped with one line, and stays as it was, also after a rescan.
    const QByteArray broken = readFile(root() + "/work/broken.ics");
    ASSERT_EQ(warnings.messages().size(), 1);
    EXPECT_TRUE(warnings.messages().first().contains("broken.ics"));
    store->rescan();
    EXPECT_EQ(warnings.messages().size(), 1);
    EXPECT_TRUE(store->calendarItemsWithExternalIdentifier("broken@example.org").isEmpty());

    // Changing the title keeps the days, exceptions, attendees and unknown properties.
    event->setTitle("Daily stand-up");
    QString error;
    ASSERT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true, &error)) << error.toStdString();
    const QByteArray text = readFile(root() + "/work/standup.ics");
    for (const char* kept :
         {"SUMMARY:Daily stand-up", "FREQ=WEEKLY;BYDAY=MO,TH", "EXDATE;TZID=/example.org/2005/Europe/Berlin",
          "X-EXAMPLE-COLOUR:teal", "ATTENDEE;CN=Ann:mailto:ann@example.org", "RELATED=END:-PT20M"})
        EXPECT_TRUE(text.contains(kept)) << kept << "\n" << text.constData();

    // Removing an event whose file no longer reads leaves the file alone.
    auto other = store->eventWithIdentifier("work/standup");
    writeFile(root() + "/work/standup.ics", broken);
    EXPECT_FALSE(store->removeEvent(other, EKSpanFutureEvents, true, &error));
    EXPECT_EQ(readFile(root() + "/work/standup.ics"), broken);
    EXPECT_EQ(readFile(root() + "/work/broken.ics"), broken);
}

TEST_F(VdirEventStoreTest, EveryCaseLoadsAndTakesAnEditThroughTheStore) {
    copyFixtureCalendar("cases", root());
    WarningCapture warnings;
    auto store = VdirEventStore::create(root());
    const QStringList files = QDir(root() + "/cases").entryList({"*.ics"}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& file : files) {
        const QString id = "cases/" + file.chopped(4);
        auto event = store->eventWithIdentifier(id);
        ASSERT_TRUE(event) << id.toStdString();
        event->setTitle(event->title() + " (edited)");
        QString error;
        EXPECT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true, &error))
            << id.toStdString() << ": " << error.toStdString();
        EXPECT_EQ(VdirEventStore::create(root())->eventWithIdentifier(id)->title(), event->title());
    }
    EXPECT_TRUE(warnings.messages().isEmpty()) << warnings.messages().join("\n").toStdString();
}

TEST_F(VdirEventStoreTest, ChangingAlarmsKeepsWhatTheOtherAlarmsOfTheFileHold) {
    writeFile(root() + "/shared/meeting.ics",
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
              "BEGIN:VEVENT\r\nUID:meeting-1\r\nDTSTAMP:20260101T000000Z\r\nSUMMARY:Meeting\r\n"
              "DTSTART:20260301T100000Z\r\nDTEND:20260301T110000Z\r\n"
              "BEGIN:VALARM\r\nACTION:EMAIL\r\nSUMMARY:Mail\r\nDESCRIPTION:Soon\r\n"
              "ATTENDEE:mailto:ann@example.org\r\nX-TEST-ALARM:one\r\nTRIGGER:-PT1H\r\nEND:VALARM\r\n"
              "BEGIN:VALARM\r\nACTION:AUDIO\r\nREPEAT:2\r\nDURATION:PT5M\r\n"
              "TRIGGER;RELATED=END:-PT10M\r\nEND:VALARM\r\n"
              "END:VEVENT\r\nEND:VCALENDAR\r\n");
    auto store = VdirEventStore::create(root());
    const QString path = root() + "/shared/meeting.ics";
    auto event = store->eventWithIdentifier("shared/meeting");
    ASSERT_TRUE(event);
    ASSERT_EQ(event->alarms().size(), 2);
    const EKAlarm mail = event->alarms()[0];

    event->addAlarm(EKAlarm::alarmWithRelativeOffset(-60));
    QString error;
    ASSERT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true, &error)) << error.toStdString();
    QByteArray text = readFile(path);
    EXPECT_EQ(text.count("BEGIN:VALARM"), 3) << text.constData();
    for (const char* kept : {"ACTION:EMAIL", "ATTENDEE:mailto:ann@example.org", "X-TEST-ALARM:one",
                             "ACTION:AUDIO", "REPEAT:2", "TRIGGER:-PT1M"})
        EXPECT_TRUE(text.contains(kept)) << kept << "\n" << text.constData();

    // A longer event: the alarm counting from the end stays where it was, and keeps its repeats.
    const QList<EKAlarm> before = event->alarms();
    event->setEndDate(event->endDate().addSecs(1800));
    ASSERT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true, &error)) << error.toStdString();
    EXPECT_EQ(event->alarms(), before);
    text = readFile(path);
    EXPECT_TRUE(text.contains("REPEAT:2")) << text.constData();
    EXPECT_TRUE(text.contains("ATTENDEE:mailto:ann@example.org")) << text.constData();

    event->removeAlarm(mail);
    ASSERT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true, &error)) << error.toStdString();
    text = readFile(path);
    EXPECT_EQ(text.count("BEGIN:VALARM"), 2) << text.constData();
    EXPECT_FALSE(text.contains("ATTENDEE:mailto:ann@example.org")) << text.constData();
    EXPECT_TRUE(text.contains("REPEAT:2")) << text.constData();
    EXPECT_EQ(VdirEventStore::create(root())->eventWithIdentifier("shared/meeting")->alarms(),
              event->alarms());
}

TEST_F(VdirEventStoreTest, RemovingAnEventKeepsWhatElseItsFileHolds) {
    const QByteArray removed = "BEGIN:VEVENT\r\nUID:removed\r\nDTSTAMP:20260101T000000Z\r\n"
                               "DTSTART:20260301T100000Z\r\nSUMMARY:Removed\r\nEND:VEVENT\r\n";
    struct Case {
        const char* what;
        QByteArray other;
        const char* otherUid;
        bool otherIsEvent;
    };
    const std::vector<Case> cases = {
        {"another event",
         "BEGIN:VEVENT\r\nUID:other\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20260302T100000Z\r\n"
         "SUMMARY:Other\r\nEND:VEVENT\r\n",
         "UID:other", true},
        {"a task", "BEGIN:VTODO\r\nUID:task\r\nDTSTAMP:20260101T000000Z\r\nSUMMARY:Task\r\nEND:VTODO\r\n",
         "UID:task", false},
    };
    for (const Case& c : cases) {
        const QString path = root() + "/shared/mixed.ics";
        writeFile(path, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + removed + c.other +
                            "END:VCALENDAR\r\n");
        auto store = VdirEventStore::create(root());
        auto event = store->eventWithIdentifier("shared/mixed");
        ASSERT_TRUE(event) << c.what;
        ASSERT_EQ(event->title(), "Removed") << c.what;
        QString error;
        ASSERT_TRUE(store->removeEvent(event, EKSpanFutureEvents, true, &error))
            << c.what << error.toStdString();
        const QByteArray text = readFile(path);
        EXPECT_FALSE(text.contains("UID:removed")) << c.what;
        EXPECT_TRUE(text.contains(c.otherUid)) << c.what << "\n" << text.constData();
        EXPECT_TRUE(store->calendarItemsWithExternalIdentifier("removed").isEmpty()) << c.what;
        EXPECT_EQ(store->calendarItemsWithExternalIdentifier("other").size(), c.otherIsEvent ? 1 : 0)
            << c.what;
        QFile::remove(path);
    }
}

TEST_F(VdirEventStoreTest, MovingAnEventToAnotherCalendarMovesItsFile) {
    copyFixtureCalendar("work", root());
    QFile::remove(root() + "/work/broken.ics");
    auto store = VdirEventStore::create(root());
    auto event = store->newEvent();
    event->setCalendar(store->defaultCalendarForNewEvents());
    event->setStartDate(QDateTime(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC));
    event->setEndDate(event->startDate());
    ASSERT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true));
    auto copy = store->eventWithIdentifier(event->eventIdentifier());

    event->setCalendar(store->calendarWithIdentifier("work"));
    ASSERT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true));
    const QString file = event->calendarItemExternalIdentifier() + ".ics";
    EXPECT_FALSE(QFile::exists(root() + "/default/" + file));
    EXPECT_TRUE(QFile::exists(root() + "/work/" + file));
    EXPECT_EQ(event->eventIdentifier(), "work/" + event->calendarItemExternalIdentifier());
    EXPECT_TRUE(copy->refresh()) << "another object of the moved event follows it";
    EXPECT_EQ(copy->calendar()->title(), "Work");
}

TEST_F(VdirEventStoreTest, LeftoversOfInterruptedSavesAreNoEventsAndAreRemoved) {
    auto store = VdirEventStore::create(root());
    auto event = saveNewEvent(*store, "Before");

    // A save killed before its rename leaves a full copy of the new version beside the event's file.
    const QString folder = root() + "/default";
    AtomicFile::setBeforeRenameHook([](const QString&) { return false; });
    event->setTitle("After");
    const bool saved = store->saveEvent(event, EKSpanFutureEvents, true);
    AtomicFile::setBeforeRenameHook({});
    EXPECT_FALSE(saved);
    const auto leftovers = [&] {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter("jobslate-tmp");
    };
    ASSERT_EQ(leftovers().size(), 1);
    // One of an event that has no file, and one of the alarm state.
    const QByteArray text = readFile(folder + u'/' + leftovers().first());
    const QByteArray uid = event->calendarItemExternalIdentifier().toUtf8();
    writeFile(folder + "/.ghost.ics.jobslate-tmp-Abc123",
              QByteArray(text).replace("UID:" + uid, "UID:ghost"));
    writeFile(root() + "/..alarm-state.json.jobslate-tmp-Abc123", "{}");

    auto reopened = VdirEventStore::create(root());
    EXPECT_EQ(reopened->eventWithIdentifier(event->eventIdentifier())->title(), "Before");
    EXPECT_TRUE(reopened->calendarItemsWithExternalIdentifier("ghost").isEmpty());
    EXPECT_TRUE(leftovers().isEmpty());
    EXPECT_FALSE(QFile::exists(root() + "/..alarm-state.json.jobslate-tmp-Abc123"));
}

TEST_F(VdirEventStoreTest, ChangesFromOutsidePostTheNotice) {
    auto store = VdirEventStore::create(root());
    auto event = saveNewEvent(*store, "Before");
    clock.scheduler.advance(1);
    ChangeCounter changes(store.get());

    // Our own write seen by the watcher is no change.
    const QString path = root() + "/default/" + event->calendarItemExternalIdentifier() + ".ics";
    QByteArray text = readFile(path);
    writeFile(path, text);
    store->rescan();
    clock.scheduler.advance(1);
    EXPECT_EQ(changes.count, 0);

    text.replace("SUMMARY:Before", "SUMMARY:After");
    writeFile(path, text);
    writeFile(root() + "/default/second.ics", QByteArray(text).replace("UID:", "UID:2-"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Scheduler::shared().isPending(store.get(), "rescan"); }, 5000));
    clock.scheduler.advance(1);
    EXPECT_EQ(changes.count, 1);
    ASSERT_TRUE(event->refresh());
    EXPECT_EQ(event->title(), "After");
    EXPECT_EQ(
        store->calendarItemsWithExternalIdentifier("2-" + event->calendarItemExternalIdentifier()).size(), 1);

    QFile::remove(path);
    store->rescan();
    clock.scheduler.advance(0);
    EXPECT_EQ(changes.count, 2);
    EXPECT_FALSE(event->refresh());
}

} // namespace
