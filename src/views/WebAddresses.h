#pragma once
// Where the Help menu's home page, support mail and updates entries lead. Opened through the
// desktop (QDesktopServices); a failure to open shows nothing.
namespace quorvane::web {

inline constexpr const char* kHomePage = "https://www.quorvane.example/";
inline constexpr const char* kSupportMail = "mailto:support@quorvane.example?subject=Quorvane";
inline constexpr const char* kUpdatesPage = "https://www.quorvane.example/updates/";

} // namespace quorvane::web
