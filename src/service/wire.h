// What both ends of the controller service share: one argument of a call as a wire value,
// and the fingerprint of the call list they were built from.
#pragma once
#include <string>

#include "link/plexa.h"
#include "service/controller.pb.h"

namespace vantel::service {

// The call list's fingerprint: a client and a daemon built from different lists refuse
// each other.
std::string CallListFingerprint();

// An argument's value (in- or out-value) as it travels.
void PutValue(const link::LinkArg& arg, Value& value);
// Writes a value that came over the wire into arg; false when its kind does not fit.
bool TakeValue(const Value& value, const link::LinkArg& arg);

}  // namespace vantel::service
