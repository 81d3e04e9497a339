// Layouts in the user's language: the translatable texts of a GtkBuilder layout are replaced by
// their translations before GTK reads it (GtkBuilder itself would ask gettext, which follows the
// process locale, see Catalog.h).
#pragma once

#include <string>
#include <string_view>

#include "gtk/Catalog.h"

namespace kelvra::dialogs::gtk {

// `xml` with every element marked translatable="yes" holding its translation, and the marks
// removed so that GtkBuilder leaves the texts alone.
std::string TranslateLayout(std::string_view xml, const Catalog& catalog);

}  // namespace kelvra::dialogs::gtk
