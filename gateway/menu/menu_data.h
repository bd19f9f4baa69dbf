#pragma once
// The menu editor's program-wide data: the twelve sub-button lists and the
// program-wide texts. The program creates it, empty, before the main window
// and releases it after the window has gone (MenuDataScope); the menu
// windows read and replace it while it exists.
#include <array>
#include <string>
#include <vector>

namespace gw {

struct MenuData {
    // Index 0..2 stands for main button 1..3. The four lists of one main
    // button are in step: entry k of each describes sub-button k. Local text.
    std::array<std::vector<std::string>, 3> sub_names;
    std::array<std::vector<std::string>, 3> sub_types;    // "view" or "click"
    std::array<std::vector<std::string>, 3> sub_members;  // "url" or "key"
    std::array<std::vector<std::string>, 3> sub_values;   // link or key

    std::string menu_reply;        // the last reply to the menu query
    std::string sub_menu_caption;  // caption of the sub-menu editor
};

// The data of the running program; null when no MenuDataScope is alive.
// GUI thread only.
MenuData* menu_data();

// Owns the program-wide data for its lifetime. Scopes do not nest.
class MenuDataScope {
public:
    MenuDataScope();
    ~MenuDataScope();
    MenuDataScope(const MenuDataScope&) = delete;
    MenuDataScope& operator=(const MenuDataScope&) = delete;

private:
    MenuData data_;
};

} // namespace gw
