#pragma once

namespace aptui {

// Lists the application's open pop-up menus among its top-level windows for screen readers. Qt
// leaves pop-ups out of the application's children, so a menu opened from a button cannot be
// found by walking the tree. Call it before the application object is made.
void exposePopupsToAccessibility();

} // namespace aptui
