#include "NSNotificationCenter.h"

#include "platform/NotificationCenter.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace {

struct Observer {
    TNSNotificationCenter::Action action;
    TObject* target;
};

// Observers by centre and name, so one name observed on two centres is dispatched from both.
using ObserverKey = std::pair<NotificationCenter*, QString>;
std::map<ObserverKey, std::vector<Observer>>& observers() {
    static std::map<ObserverKey, std::vector<Observer>> table;
    return table;
}

NotificationCenter* centreOrDefault(NotificationCenter* center) {
    return center ? center : &NotificationCenter::defaultCenter();
}

} // namespace

TNSNotificationCenter& TNSNotificationCenter::dispatchCenter() {
    static TNSNotificationCenter dispatcher;
    return dispatcher;
}

void TNSNotificationCenter::observeNotification(NotificationCenter* center, const QString& name,
                                                TObject* target, Action action) {
    center = centreOrDefault(center);
    std::vector<Observer>& list = observers()[{center, name}];
    if (list.empty()) {
        TNSNotificationCenter* dispatcher = &dispatchCenter();
        center->addObserver(dispatcher, name, nullptr, [dispatcher, center](const ::Notification& notice) {
            dispatcher->dispatch(center, notice);
        });
    }
    list.push_back({action, target});
}

void TNSNotificationCenter::removeObserver(NotificationCenter* center, const QString& name, TObject* target) {
    center = centreOrDefault(center);
    auto found = observers().find({center, name});
    if (found == observers().end()) return;
    std::vector<Observer>& list = found->second;
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it->target == target) {
            list.erase(it);
            break;
        }
    if (list.empty()) {
        observers().erase(found);
        center->removeObserver(&dispatchCenter(), name, nullptr);
    }
}

void TNSNotificationCenter::dispatch(NotificationCenter* center, const ::Notification& notification) {
    const ObserverKey key{center, notification.name};
    auto found = observers().find(key);
    if (found == observers().end()) return;
    // An action may add or remove observers; each pair of the snapshot is called while it is still there.
    const std::vector<Observer> snapshot = found->second;
    for (const Observer& observer : snapshot) {
        auto current = observers().find(key);
        if (current == observers().end()) return;
        const auto& live = current->second;
        if (std::none_of(live.begin(), live.end(), [&](const Observer& o) {
                return o.target == observer.target && o.action == observer.action;
            }))
            continue;
        TNSNotificationPrivate* info = TNSNotificationPrivate::CreateWithDictionary(notification.userInfo);
        info->SetNotice(notification.name, notification.object);
        if (observer.action && observer.target) observer.target->InvokeMethod(observer.action, info);
        info->Release();
    }
}
