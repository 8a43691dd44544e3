// vantel-send ID [PID]: hands a command id to a running console, as a command message
// from outside would.
#include <iostream>

#include "platform/command_socket.h"

int main(int argc, char** argv) { return vantel::remote::RunSend(argc, argv, std::cerr); }
