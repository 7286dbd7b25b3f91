# A crafted tree for the include check: high stands on low; low includes a header of high (upward);
# idle names low but includes nothing of it.
set(LAYER_LIBRARIES low high idle)
set(LAYER_FOLDER_low low)
set(LAYER_FILES_low Low.h)
set(LAYER_FLOORS_low)
set(LAYER_FOLDER_high high)
set(LAYER_FILES_high High.h)
set(LAYER_FLOORS_high low)
set(LAYER_FOLDER_idle idle)
set(LAYER_FILES_idle Idle.h)
set(LAYER_FLOORS_idle low)
