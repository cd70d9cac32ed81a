// The addresses on the maker's web site that the program opens in the default browser.
#pragma once

namespace palisor::web {

// The site's root: the banner opens it.
constexpr char kSiteRoot[] = "http://www.palisor.example";
// The tray menu's "&HomePage".
constexpr char kHomePage[] = "http://www.palisor.example/content+index.id+16.htm";
// The main window's "Forum" button.
constexpr char kForum[] = "http://www.palisor.example/newbb+index.cat+2.htm";

} // namespace palisor::web
