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
-- 1 once the leader has walked for the walking lesson; 1 once the ring that
-- watches for that walk stands round the leader (again after a load).
g_walked = 0
g_walkRingPlaced = 0
-- 1 once the guide has begun his talk; 1 once the closing message is up.
g_guideTalked = 0
g_tutorialOver = 0

-- The walking lesson is watched by a ring of trigger volumes round where the
-- leader stands once it is read: eight, overlapping, so that a walk of 1.2
-- to 1.5 units in any direction steps into one, which tells the script once.
-- Reading the leader's position every tick instead would make a new vector
-- every tick. The ring is saved with the level.
WALK_RING_COUNT = 8
WALK_RING_DISTANCE = 2.3
WALK_RING_RADIUS = 0.8

-- A volume of the ring: the level's own (a loaded game publishes it under
-- its name), else a new one.
function WalkRingTrigger(i)
    local name = "walkRing" .. i
    if _G[name] == nil then
        local trigger = TsTriggerObject:new()
        trigger:SetName(name)
        trigger:SetRadius(WALK_RING_RADIUS)
        trigger:SetAcceptType(3) -- the current character alone
        trigger:SetTriggerScript("OnWalked")
        TsAccess.EntityDB():AddEntity(trigger)
        _G[name] = trigger
    end
    return _G[name]
end

-- The ring round where the current character stands, awake; at its height,
-- as a volume measures the distance to its toucher through the height too.
function PlaceWalkRing()
    local pc = TsAccess.CurrentCharacter()
    if pc == nil then
        return
    end
    local at = pc:GetPosition()
    local x, y, z = GetX(at), GetY(at), GetZ(at)
    for i = 1, WALK_RING_COUNT do
        local angle = 2 * math.pi * i / WALK_RING_COUNT
        local trigger = WalkRingTrigger(i)
        trigger:SetPosition(x + WALK_RING_DISTANCE * math.cos(angle), y, z + WALK_RING_DISTANCE * math.sin(angle))
        trigger:SetDormant(false)
        trigger:SetActive(true)
    end
    g_walkRingPlaced = 1
end

-- The leader stepped into the ring: the walk is done, and the ring sleeps.
function OnWalked()
    g_walked = 1
    for i = 1, WALK_RING_COUNT do
        local trigger = WalkRingTrigger(i)
        trigger:SetActive(false)
        trigger:SetDormant(true)
    end
end

-- The ring is placed once the lesson has been read, and again in a game
-- loaded in the walking lesson, which counts from where the leader stands.
function Walked()
    if g_walkRingPlaced == 0 then
        PlaceWalkRing()
    end
    return g_walked == 1
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
