// A write of the recording failed (a full disk, an I/O error): the run stops
// with one line naming the file and the system's reason.
#ifndef ARENA_RECORD_RECORD_WRITE_ERROR_H
#define ARENA_RECORD_RECORD_WRITE_ERROR_H

#include <stdexcept>

namespace arena {

class RecordWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace arena

#endif
