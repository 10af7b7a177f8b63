#include "app/lock_refusal.h"

#include "app/jobs.h"
#include "platform/utf.h"

std::u16string LockRefusalText(const HandsetLock& lock) {
    switch (lock.state()) {
    case HandsetLock::State::Taken:
        return {};
    case HandsetLock::State::HeldByAnother:
        return kHandsetBusyText;
    case HandsetLock::State::NotTried:
        break;
    }
    return u"cannot write to the handset folder " + utf::FromHostBytes(lock.folder().string()) +
           u": " + utf::Utf16(lock.reason());
}
