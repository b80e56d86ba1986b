// Resource id of the programs' icon: the executable's own icon (the first icon group) and the
// window icon, LoadIconW(instance, MAKEINTRESOURCEW(MORVANE_APP_ICON)). Included by C++ and .rc.
#ifndef MORVANE_COMMON_RESOURCES_APP_ICON_H
#define MORVANE_COMMON_RESOURCES_APP_ICON_H

#define MORVANE_APP_ICON 1

#endif
