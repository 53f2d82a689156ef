-- The script debugger's table, driven by the shell's Debug menu.
-- Stepping itself runs in the game ("'n" step over, "'s" step into,
-- "'c" run, typed at the shell while stopped); this table keeps the
-- names the shell sends.
Y = Y or {}

function Y.open()
    DebuggerOpen()
end

function Y.close()
    DebuggerClose()
end

function Y.SetBreakPoint(line, file)
    DebuggerSetBreakPoint(file, line, 1)
end

function Y.ToggleBreakPoint(line, file)
    local on = DebuggerToggleBreakPoint(file, line)
    SetDebugBreakpoint(file, line, on or 0)
end

function Y.GetBreakPoints(file)
    SetDebugBreakpointList(file, DebuggerBreakPoints(file))
end
