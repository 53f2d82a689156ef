// A game object with a visible model: a scene-graph tree loaded from a model
// file (shared between objects of one class that name the same file), an
// optional HUD sprite, a heading about the vertical axis kept in step with
// its facing direction, and a display name and description from the game
// text. Characters, collectibles, mines, stashes and dynamic geometry
// derive from it. The model and sprite are never saved: they are loaded
// again after a saved game is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "engine/OmBaseSprite.h"
#include "engine/OmNode.h"
#include "engine/OmRef.h"
#include "engine/OmString.h"
#include "engine/OmVector3.h"
#include "game/framework/TsEntity.h"

class OmGroup;

class TsModel : public TsEntity {
    OM_DECLARE_ABSTRACT_CLASS(TsModel)

    TsModel();
    explicit TsModel(OmArchive& archive);
    ~TsModel() override;

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // The entity's tick, then the heading of this tick becomes the previous.
    void Tick(uint32_t tickCount) override;
    // Draws the model at the frame's fraction between the last two ticks.
    void Render(float renderTime, float fraction) override;

    // Places the model at the fraction between the last two positions and
    // headings and updates it; false when there is no model.
    virtual bool DrawModel(float time, float fraction);
    // Lights the device for this model from the current level's world.
    void LightFromWorld() const;
    // Hooks for kinds that read their shape from the model's nodes, or set
    // themselves up from an object whose model they share.
    virtual void ScanModelNodes(OmNode* model);
    virtual void SetupFromModel(TsModel* other);
    // Loads the model file directory + mdl (textures from directory +
    // "Textures/"), or copies the model of a live object of the same class
    // that names the same file. True when there is nothing to load or it
    // loaded.
    virtual bool LoadModel(const char* directory);
    // Loads the sprite texture directory + sprite name and makes the sprite.
    bool LoadSprite(const char* directory);

    void SetMdl(const char* file) { m_mdl.Set(file); }
    const char* GetMdl() const { return m_mdl.Get(); }
    void SetUniqueModel(bool unique) { m_uniqueModel = unique ? 1 : 0; }
    // Holds a reference on the node; null lets go of the old one.
    void SetModel(OmNode* node);
    // A copy of source's model of this object's own: new nodes over the
    // same geometry, so that each object places and parents its own (two
    // articles from one template are held in two hands). Nothing when
    // source has no model.
    void CopyModelOf(const TsModel& source);
    OmNode* GetModel() const { return m_model; }
    OmBaseSprite* GetSprite() const { return m_sprite; }

    void SetSpriteName(const char* name) { m_spriteName.Set(name); }
    const char* GetSpriteName() const { return m_spriteName.Get(); }
    void SetDisplayNameID(int32_t id) { m_displayNameId = id; }
    void SetDisplayDescriptionID(int32_t id) { m_displayDescriptionId = id; }
    int32_t GetDisplayNameID() const { return m_displayNameId; }
    int32_t GetDisplayDescriptionID() const { return m_displayDescriptionId; }
    // The game text of the ids, kept in the object; empty without text.
    const char* GetDisplayName();
    const char* GetDisplayDescription();

    // Radians about the vertical axis, folded into (-2 pi, pi].
    void SetHeading(float radians);
    // Degrees, folded by the remainder of a half turn.
    void SetHeadingDegrees(float degrees);
    float GetHeading() const { return m_heading; }
    float GetPreviousHeading() const { return m_previousHeading; }
    // The facing direction (sin heading, 0, cos heading) while the heading
    // was set last; otherwise the direction set.
    const OmVector3& GetDirection();
    // Faces v (horizontal); a zero vector keeps the heading.
    void SetDirection(const OmVector3& v);
    void SetDirection(float x, float z) { SetDirection(OmVector3(x, 0.0f, z)); }

    // The heading drawn at fraction f between the previous and the current
    // tick, turning the short way round.
    float InterpolatedHeading(float fraction) const;
    // directory + file, with a separator between them when directory lacks
    // one.
    static void JoinPath(char* out, size_t size, const char* directory, const char* file);
    // A scene file (full paths) as a group with render meshes, holding the
    // reference it is made with; `scan` sees it before the meshes are made.
    // Null when the file cannot be read.
    static OmGroup* LoadScene(const char* path, const char* textures,
                              const std::function<void(OmGroup*)>& scan = nullptr);

protected:
    OmRef<OmNode> m_model;
    OmString m_mdl;
    uint8_t m_uniqueModel = 0;
    OmRef<OmBaseSprite> m_sprite;
    OmString m_spriteName;
    OmString m_displayName;
    OmString m_displayDescription;
    int32_t m_displayNameId = -1;
    int32_t m_displayDescriptionId = -1;
    float m_heading = 0.0f;
    float m_previousHeading = 0.0f;
    float m_spareHeading = 0.0f; // kept in saved games; nothing reads it
    uint8_t m_headingDirty = 1;
    OmVector3 m_direction;

private:
    bool ShareModel();
};
