-- The tutorial: run every time the level starts. Its lessons come one at
-- a time in the in-game menu's tutorial window (text table 6300-6340):
-- each is shown once the one before has been done, and the window's exit
-- script tells the level the player has read it. Walking a few steps,
-- picking up the vest, opening the door with its switch and talking to
-- the guide are the lessons' tasks; when the last is done a message says
-- so, and its OK leaves for the title.

-- The lesson shown last (0 before the first); 1 while its window is up.
g_lesson = 0
g_lessonOpen = 0
-- Where the current character stood when the walking lesson was closed.
g_walkFromX = nil
g_walkFromZ = nil
-- 1 once the guide has begun his talk; 1 once the closing message is up.
g_guideTalked = 0
g_tutorialOver = 0

-- How far the leader must walk for the walking lesson, in units.
WALK_LESSON_DISTANCE = 1.5

-- A game loaded in the walking lesson counts from where the leader stands.
function Walked()
    local pc = TsAccess.CurrentCharacter()
    if pc == nil then
        return false
    end
    local at = pc:GetPosition()
    if g_walkFromX == nil then
        g_walkFromX, g_walkFromZ = GetX(at), GetZ(at)
    end
    local dx, dz = GetX(at) - g_walkFromX, GetZ(at) - g_walkFromZ
    return dx * dx + dz * dz >= WALK_LESSON_DISTANCE * WALK_LESSON_DISTANCE
end

-- Each lesson: its texts (the first is shown, all are listed as topics)
-- and the test of its task.
g_lessons = {
    { texts = { 6300, 6310 }, done = Walked },
    { texts = { 6320 }, done = function() return tutorialVest ~= nil and tutorialVest:HasOwner() end },
    { texts = { 6330 }, done = function() return tutorialDoor ~= nil and tutorialDoor:IsOpen() end },
    { texts = { 6340 }, done = function() return g_guideTalked == 1 end },
}

-- The first lesson starts the tutorial window afresh; the later ones are
-- put into it and shown again.
function ShowLesson(index)
    local lesson = g_lessons[index]
    if index == 1 then
        TsAccess:StartTutorialDialog(#lesson.texts)
    end
    for i, text in ipairs(lesson.texts) do
        TsAccess:TutorialDialogAddFragment(text, i - 1)
    end
    TsAccess:SetTutorialDialogExitScript("OnLessonRead()")
    if index > 1 then
        TsAccess:TutorialDialog("lesson")
    end
    g_lesson = index
    g_lessonOpen = 1
end

-- The window's exit script: the lesson's task counts from here.
function OnLessonRead()
    g_lessonOpen = 0
    local pc = TsAccess.CurrentCharacter()
    if pc ~= nil then
        local at = pc:GetPosition()
        g_walkFromX, g_walkFromZ = GetX(at), GetZ(at)
    end
end

-- The next lesson once the last is done, when nothing else holds the
-- screen (a talk under way, a question).
function LuaTick()
    if g_tutorialOver == 1 or g_lessonOpen == 1 or not TsAccess.Level():GameIsInNormalState() then
        return 0
    end
    if g_lesson > 0 and not g_lessons[g_lesson].done() then
        return 0
    end
    if g_lesson < #g_lessons then
        ShowLesson(g_lesson + 1)
    else
        FinishTutorial()
    end
    return 0
end

-- The message waits for OK, and then the level ends for the title (the
-- tutorial has no closing screen).
function FinishTutorial()
    g_tutorialOver = 1
    ShowLevelEndMessage(6370, "OnTutorialLeft")
end

function OnTutorialLeft()
    g_tutorialLeft = 1
end

-- The switch unlocks the door and opens it; later uses open and close it.
function OnTutorialSwitch()
    if tutorialDoor == nil then
        return
    end
    tutorialDoor:SetLock(false)
    if tutorialDoor:IsOpen() then
        tutorialDoor:CloseDoor()
    else
        tutorialDoor:OpenDoor()
    end
end

-- The guide's banter (text table 6350-6360), once; called with his and the
-- user's names when he is used (clicked).
function TalkToGuide(guideName, userName)
    local talk = TsAccess.Conversation()
    local pc = TsAccess.CurrentCharacter()
    if Guide == nil or pc == nil or g_guideTalked == 1 or talk:HasConversationStarted() then
        return
    end
    talk:AddFragment(6350, Guide, pc)
    talk:AddFragment(6360, pc, Guide)
    talk:Run()
    g_guideTalked = 1
end

-- A saved game goes on from the lesson read last.
function SaveMissionGlobals()
    TsAccess.LocalPlayer():SetScriptState(0, g_lesson)
end

function LoadMissionGlobals()
    local saved = TsAccess.LocalPlayer():GetScriptState(0)
    if saved >= 0 and saved <= #g_lessons then
        g_lesson = saved
    end
end
