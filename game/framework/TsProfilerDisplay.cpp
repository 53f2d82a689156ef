#include "game/framework/TsProfilerDisplay.h"

#include "engine/OmRenderer.h"

void TsProfilerDisplay::OutputLine(const char* text, int row, bool overBudget)
{
    static const float kNormal[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    static const float kOver[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    if (OmRenderer* renderer = OmRenderer::Current()) {
        renderer->QueueText(0.0f, static_cast<float>(row) * kRowHeight, text, overBudget ? kOver : kNormal, 1.0f);
    }
}
