#include "gtk/IdleRefresh.h"

namespace kelvra::dialogs::gtk {

void IdleRefresh::Post() {
    if (m_pending.exchange(true)) return;
    m_source = g_idle_add(Run, this);
}

void IdleRefresh::Cancel() {
    if (m_pending.exchange(false)) g_source_remove(m_source.load());
}

gboolean IdleRefresh::Run(gpointer self) {
    auto* refresh = static_cast<IdleRefresh*>(self);
    // Cleared first: a change made while refreshing posts again.
    refresh->m_pending = false;
    refresh->m_refresh();
    return G_SOURCE_REMOVE;
}

}  // namespace kelvra::dialogs::gtk
