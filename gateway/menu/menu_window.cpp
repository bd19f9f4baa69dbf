#include "menu/menu_window.h"

namespace gw {

MenuWindow::MenuWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("窗口2"));
    setWindowTitle(QStringLiteral("设置自定义菜单"));
    setWindowModality(Qt::WindowModal);
    // The controls stand at fixed places, as in the main window.
    setFixedSize(741, 191);
    move(50, 50);
}

} // namespace gw
