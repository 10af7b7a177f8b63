#include "framework/message_box.h"

#include "framework/command_target.h"
#include "framework/qt_text.h"

#include <QMessageBox>

namespace framework {
namespace {

QMessageBox::Icon IconOf(UINT flags) {
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int MessageBoxW(QWidget* owner, std::u16string_view text, std::u16string_view caption, UINT flags) {
    QMessageBox box(IconOf(flags), ToQString(caption), ToQString(text), QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return IDOK;
}

} // namespace framework
