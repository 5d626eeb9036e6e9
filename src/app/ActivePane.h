#pragma once
// Which of the two browsing panes has the keyboard, and so supplies the selection commands act on.

namespace quorvane {

enum class ActivePane { None, Tree, List };

} // namespace quorvane
