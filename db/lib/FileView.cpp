#include "db/lib/FileView.h"

#include <sys/mman.h>

namespace vorsam {

void TFileView::Reset() {
    if (data_) ::munmap(const_cast<uint8_t*>(data_), length_);
    data_ = nullptr;
    length_ = 0;
}

} // namespace vorsam
