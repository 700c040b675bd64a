#pragma once
// Local civil time to seconds since 1970 without mktime where the answer is
// certain. mktime looks at the time zone file again (a stat of
// /etc/localtime, its path walked) at every call, which a card's listing
// would pay once per recording; localtime_r does not.
#include <cstdint>

// True with `time` when the fields, read in the local zone, name exactly one
// moment that the offset mktime last gave explains: then mktime gives the
// same whatever its daylight-saving flag. False leaves it to mktime.
bool QuickLocalTime(int year, int month, int day, int hour, int minute, int second, int64_t& time);
// The offset from UTC of a moment mktime just gave, for the quick path.
void NoteLocalOffset(long offsetSeconds);
