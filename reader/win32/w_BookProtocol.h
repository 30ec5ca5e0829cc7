// The "book" scheme of the reader's HTML engine: a pluggable protocol registered for
// this process only, which answers every request from memory.
#pragma once

#include "u_ReaderProtocol.h"

#include <functional>
#include <string>

using TBookRequestHandler = std::function<TProtocolAnswer(const std::string& Url)>;

// Registers the "book" scheme for this process (IInternetSession::RegisterNameSpace);
// Handler answers every request. False with Error set when urlmon refuses.
bool RegisterBookProtocol(TBookRequestHandler Handler, std::string& Error);
void UnregisterBookProtocol();
