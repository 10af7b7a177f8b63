#include "app/windows/main_frame.h"

#include "app/windows/command_table.h"
#include "app/windows/folder_settings_dialog.h"
#include "app/windows/main_view.h"
#include "framework/menu_bar.h"
#include "framework/message_loop.h"
#include "framework/module.h"
#include "resources/resource_ids.h"

#include <QMetaObject>

#include <utility>

MainFrame::MainFrame() = default;

MainFrame::~MainFrame() {
    Unregister();
}

int MainFrame::OnCreate() {
    framework::SHMENUBARINFO info;
    info.hwndParent = this;
    info.nToolBarId = resources::kIdrMainMenuBar;
    if (!framework::SHCreateMenuBar(&info)) {
        return -1;
    }
    menuBar_ = info.hwndMB;
    view_ = std::make_unique<MainView>(*this);
    if (!view_->Create(this)) {
        return -1;
    }
    view_->setGeometry(ClientArea());
    if (framework::MessageLoop* loop = framework::AppModule().GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
        registered_ = true;
    }
    return 0;
}

void MainFrame::OnCommand(UINT id, UINT /*code*/) {
    if (FindCommand(id) != nullptr) {
        RunCommand(id);
    }
}

void MainFrame::RunCommand(unsigned id) {
    // A modal dialog keeps input away from the frame; this guards the calls that do not come
    // through input, so that one job at most exists.
    if (busy_) {
        return;
    }
    const CommandEntry& entry = *FindCommand(id);
    busy_ = true;
    switch (entry.action) {
    case CommandAction::Exit:
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        break;
    case CommandAction::Settings: {
        FolderSettingsDialog dialog;
        dialog.DoModal(framework::GetActiveWindow());
        break;
    }
    case CommandAction::Backup:
    case CommandAction::Restore:
        RunFileCommand(entry, frontEnd_);
        break;
    }
    busy_ = false;
}

void MainFrame::OnSize(int /*width*/, int /*height*/) {
    if (view_ != nullptr) {
        view_->setGeometry(ClientArea());
    }
}

void MainFrame::OnDestroy() {
    Unregister();
    FrameWindow::OnDestroy();
}

void MainFrame::Unregister() {
    if (std::exchange(registered_, false)) {
        if (framework::MessageLoop* loop = framework::AppModule().GetMessageLoop()) {
            loop->RemoveMessageFilter(this);
            loop->RemoveIdleHandler(this);
        }
    }
}

void MainFrame::focusInEvent(QFocusEvent* /*event*/) {
    if (view_ != nullptr) {
        view_->setFocus();
    }
}
