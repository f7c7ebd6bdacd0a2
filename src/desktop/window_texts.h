// The texts and links of the three windows, the same in every toolkit.
#pragma once

namespace zarn::window_texts {

inline constexpr const char* kProgressCaption = "ZARN - Parsing";

inline constexpr const char* kErrorsOk = "Ok";
inline constexpr const char* kErrorsAbout = "About ...";
inline constexpr const char* kErrorsLineLabel = "Line: ";

inline constexpr const char* kAboutCaption = "ZARN - About";
inline constexpr const char* kAboutLine1 = "Small preprocessor that extends";
inline constexpr const char* kAboutLine2 = " Jass 2 language of Blizzard";
inline constexpr const char* kAboutExit = "Exit";
// The link shows the project's address; a click opens the community site.
inline constexpr const char* kAboutLinkText = ZARN_PROJECT_URL;
inline constexpr const char* kAboutLinkTarget = ZARN_COMMUNITY_URL;

}  // namespace zarn::window_texts
