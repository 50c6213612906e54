// What the device has to tell the user while a dialog is up, as data: the
// dialog manager puts each notice the device has into the snapshot, and every
// front end shows it in the dialog's screen in the device's own words. No
// front end learns of a notice any other way (standard error, say, which
// keeps the device's messages for whoever reads it).
#pragma once

#include <string_view>

namespace platform::frontends {

enum class NoticeKind {
    // The device's registry cannot be read or written as it should: what the
    // program keeps there is lost when it ends.
    registry_unusable,
    // A change the program made (a registry value, the time-zone record) was
    // not kept, though the registry otherwise answered.
    change_not_kept,
};

struct DeviceNotice {
    NoticeKind kind { NoticeKind::registry_unusable };

    bool operator==(DeviceNotice const&) const = default;
};

// The words a front end shows for a notice.
constexpr std::u16string_view notice_text(NoticeKind kind)
{
    switch (kind) {
    case NoticeKind::registry_unusable:
        return u"The device's registry cannot be used: changes will not be kept.";
    case NoticeKind::change_not_kept:
        return u"A change was not kept: the device could not store it.";
    }
    return u"";
}

// The notice's name where a script reads it.
constexpr std::string_view notice_name(NoticeKind kind)
{
    switch (kind) {
    case NoticeKind::registry_unusable:
        return "registry-unusable";
    case NoticeKind::change_not_kept:
        return "change-not-kept";
    }
    return "";
}

}
