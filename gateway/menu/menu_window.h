#pragma once
// Window 2, the main-menu editor "设置自定义菜单". The main window opens a
// new one, window-modal, at every click of 菜单定义.
#include <QDialog>

namespace gw {

class MenuWindow : public QDialog {
    Q_OBJECT
public:
    explicit MenuWindow(QWidget* parent = nullptr);
};

} // namespace gw
