#pragma once
// The harsh moments of a trip with each recording's own events kept in the
// scan index beside its listing, so that a card opened again does not read
// the samples again to find them. A row's events belong to the state of the
// file the listing stored (same path, size, times and inode) and to the
// sensitivity they were found with; anything else is found again.
#include <cstdint>
#include <vector>

#include "events/DrivingEvents.h"
#include "export/TrackPart.h"

class RecordingLibrary;

// The events of the library's group `group`, as FindTripEvents finds them in
// the parts LoadGroupParts reads. `parts` gets the group's recordings, with
// their samples only where they had to be read. Without the library's scan
// index every part is read. Empty when the group does not exist or a file
// cannot be read.
std::vector<RecordingEvents> FindGroupEvents(const RecordingLibrary& library, int32_t group,
                                             EventSensitivity sensitivity, std::vector<TrackPart>& parts);

// One recording's events as the index keeps them, and back; false for bytes
// that are no such record or were found with another sensitivity.
std::vector<uint8_t> EncodeRecordingEvents(const RecordingEvents& found, EventSensitivity sensitivity);
bool DecodeRecordingEvents(const std::vector<uint8_t>& bytes, EventSensitivity sensitivity, RecordingEvents& found);
