// What ATK asks of the toolkit under it, answered for the device: the root
// object (the application), the toolkit's name and version, and global event
// listeners, through which the AT-SPI bridge hears every object's signals.
#pragma once

typedef struct _AtkObject AtkObject;

namespace platform::frontends::window::accessibility {

// Makes `root` what atk_get_root() returns; before the bridge starts.
void install_toolkit(AtkObject* root);

}
