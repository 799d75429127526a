// The control a command names.
//
// A command carries one int, too small for a control on this platform.
// Where the receiver must know a control (which scroll bar stepped, which
// control received a drop, which count field was cut), the sender names
// it for the time the command travels: it sends inside a
// CCommandArgument scope, and the receivers read CommandArgument(). Outside
// every scope it is null; scopes nest (a command sent while another is
// being handled names its own control and the outer one comes back).
//
// Threads: main thread only, like every command.
#pragma once

class CControl;

class CCommandArgument
{
public:
    explicit CCommandArgument(CControl* control);
    ~CCommandArgument();
    CCommandArgument(const CCommandArgument&) = delete;
    CCommandArgument& operator=(const CCommandArgument&) = delete;

private:
    CControl* m_pPrevious;
};

// The control named by the command being handled, or null.
CControl* CommandArgument();

// Sends code to target's OnCommand with control named as the argument
// (the int parameter is 0).
void SendControlCommand(CControl& target, int code, CControl* control);
