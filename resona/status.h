// Statuses returned by the renderer; the program's status table turns them into messages.
#pragma once

#include <cstdint>

namespace resona {

enum Status : int32_t {
  kOk = 0,
  kOutOfMemory = 1,
  kIllegalDuration = 2,
  kDiskFull = 3,
  kBraceExpected = 4,
  kUnexpectedEnd = 5,
  kBracketExpected = 6,
  kIllegalNote = 7,
  kIllegalBaseNote = 8,
  kIllegalBaseVolume = 9,
  kIllegalBasePan = 10,
  kIllegalVelocitySens = 11,
  kIllegalPressureSens = 12,
  kIllegalExpressionSens = 13,
  kIllegalReleaseSens = 14,
  kIllegalBendRange = 15,
  kIllegalModSens = 16,
  kIllegalModRate = 17,
  kIllegalAttackFactor = 18,
  kIllegalDecayFactor = 19,
  kIllegalAttackLength = 20,
  kIllegalDecayLength = 21,
  kIllegalStart = 22,
  kIllegalEnd = 23,
  kIllegalLoopStart = 24,
  kIllegalLoopEnd = 25,
  kSampleReadFailure = 26,
  kIllegalEventCode = 27,
  kIllegalReleaseSlope = 28,
  // Statuses beyond the original table.
  kCantOpenList = 29,
  kCantCreateOutput = 30,
  kNoteTooFar = 31,
  kSongTooLong = 32,
  kIllegalEventTime = 33,
  kIllegalOutputFormat = 34,
};

}  // namespace resona
