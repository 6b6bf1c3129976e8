// Raising a failure: the one throw of the program's code.
#include "platform/failure.h"

void Raise(Failure failure) { throw failure; }
