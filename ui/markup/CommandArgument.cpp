#include "ui/markup/CommandArgument.h"

#include "ui/Control.h"

namespace
{
CControl* s_pArgument = nullptr;
} // namespace

CCommandArgument::CCommandArgument(CControl* control) : m_pPrevious(s_pArgument)
{
    s_pArgument = control;
}

CCommandArgument::~CCommandArgument()
{
    s_pArgument = m_pPrevious;
}

CControl* CommandArgument()
{
    return s_pArgument;
}

void SendControlCommand(CControl& target, int code, CControl* control)
{
    CCommandArgument scope(control);
    target.OnCommand(code, 0);
}
