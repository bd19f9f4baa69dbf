#include "menu/menu_data.h"

namespace gw {
namespace {

MenuData* g_data = nullptr;

} // namespace

MenuData* menu_data() { return g_data; }

MenuDataScope::MenuDataScope() { g_data = &data_; }

MenuDataScope::~MenuDataScope() {
    if (g_data == &data_) g_data = nullptr;
}

} // namespace gw
