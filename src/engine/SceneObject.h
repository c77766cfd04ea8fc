#pragma once
// A node of a scene: a named transform with optional sampled animation tracks, linked to its
// siblings and children. The Scene owns every node it loaded; the sibling and child links own
// nothing. Clones own the copies of their children.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Matrix4.h"
#include "Quaternion.h"
#include "Vector3.h"

class Material;
class Scene;

class SceneObject {
 public:
  static constexpr int32_t kAnimationNone = 0;
  static constexpr int32_t kAnimationSampled = 2;

  SceneObject(int32_t id, const std::string& name);
  virtual ~SceneObject();
  SceneObject& operator=(const SceneObject&) = delete;

  // A copy of this object and, recursively, of all its children (not its siblings). Tracks are
  // shared with the source; the copy owns its copied children. The caller owns the result.
  std::unique_ptr<SceneObject> clone() const;

  // Evaluates the tracks at frame + fraction when the object is animated; nothing otherwise.
  // A frame past a track's end shows that track's last sample.
  virtual void animate(int frame, float fraction);

  // Draws this object, its subtree and its next siblings under the current GL modelview: each
  // object under position + offset, rotation and scale, its geometry under a further (1 + extra
  // scale), first once more under the mirror scale when mirrored; children inside the object's
  // transform when they inherit, else under the transform its parent drew them with.
  virtual void draw();
  // The same walk for the shadow map: position (no offset), rotation and scale, depth only, no
  // extra scale and no mirror.
  void drawDepthChain();
  // Draws this node alone (not its siblings) with its children.
  void drawNode();
  // The node's own geometry under its transform; nothing for the base.
  virtual void drawGeometry() {}
  virtual void drawDepthOnly() {}

  // These reach this object, its next siblings and everything below them (a call on the first
  // object of a chain reaches the whole chain); each node does its own part in the matching
  // protected hook.
  void attachToScene(Scene& scene);
  void setReceivesShadows(bool receives);
  void setSpareFlag(bool flag);
  void setMaterial(Material* material);
  void setShadeModel(int32_t model);

  virtual Material* getMaterial() const { return nullptr; }
  // Makes the drawable arrays; nothing for the base.
  virtual void build() {}
  // Short kind name for dumps ("object", "mesh", "camera", "light").
  virtual const char* kindName() const { return "object"; }

  // Angles in degrees; replaces the rotation matrix with fromEuler of the angles in radians.
  void setRotation(float xDegrees, float yDegrees, float zDegrees);

  // Each replaces the shared sample count with the track's length and marks the object animated.
  void setPositionTrack(std::shared_ptr<const std::vector<Vector3>> track);
  void setRotationTrack(std::shared_ptr<const std::vector<Quaternion>> track);
  void setScaleTrack(std::shared_ptr<const std::vector<Vector3>> track);

  // Position plus offset; parents are not taken into account.
  Vector3 worldPosition() const { return add(_position, _offset); }

  // Appends child at the end of this object's child chain.
  void appendChild(SceneObject* child);
  // Nesting level: 0 at top level, a child one more than its parent.
  int32_t depth() const { return _depth; }
  // Appends object at the end of the sibling chain this object belongs to.
  void appendSibling(SceneObject* object);

  const std::string& name() const { return _name; }
  int32_t id() const { return _id; }
  SceneObject* nextSibling() const { return _nextSibling; }
  SceneObject* previousSibling() const { return _previousSibling; }
  SceneObject* firstChild() const { return _firstChild; }
  void setNextSibling(SceneObject* next) { _nextSibling = next; }
  void setPreviousSibling(SceneObject* previous) { _previousSibling = previous; }

  const Matrix4& rotationMatrix() const { return _rotation; }
  void setRotationMatrix(const Matrix4& rotation) { _rotation = rotation; }
  const Vector3& eulerAngles() const { return _eulerAngles; }
  const Vector3& position() const { return _position; }
  void setPosition(const Vector3& position) { _position = position; }
  const Vector3& scale() const { return _scale; }
  void setScale(const Vector3& scale) { _scale = scale; }
  const Vector3& spare() const { return _spare; }
  void setSpare(const Vector3& spare) { _spare = spare; }
  const Vector3& offset() const { return _offset; }
  void setOffset(const Vector3& offset) { _offset = offset; }
  const Vector3& extraScale() const { return _extraScale; }
  void setExtraScale(const Vector3& extra) { _extraScale = extra; }

  int32_t sampleCount() const { return _sampleCount; }
  int32_t step() const { return _step; }
  void setStep(int32_t step) { _step = step; }
  int32_t animationKind() const { return _animationKind; }
  const std::shared_ptr<const std::vector<Vector3>>& positionTrack() const { return _positionTrack; }
  const std::shared_ptr<const std::vector<Quaternion>>& rotationTrack() const { return _rotationTrack; }
  const std::shared_ptr<const std::vector<Vector3>>& scaleTrack() const { return _scaleTrack; }

  bool isVisible() const { return _visible; }
  void setVisible(bool visible) { _visible = visible; }
  bool isMirrored() const { return _mirrored; }
  const Vector3& mirrorScale() const { return _mirrorScale; }
  void setMirror(bool mirrored, const Vector3& scale) {
    _mirrored = mirrored;
    _mirrorScale = scale;
  }
  bool childrenInherit() const { return _childrenInherit; }
  void setChildrenInherit(bool inherit) { _childrenInherit = inherit; }

  // Keeps a copy of the node's own state as it is now (the scene calls it when finished), so
  // that restoreLoadedState can undo what effects and events change later: transform, offset,
  // visibility, inherit flag and the state of the derived kinds. Links and children are not kept.
  void recordLoadedState();
  // Puts back the state recordLoadedState kept; nothing when none was kept (clones keep none).
  void restoreLoadedState();

 protected:
  // Copies the node's own data; links and owned children are not copied.
  SceneObject(const SceneObject& source);
  // A copy of this node alone, of the most derived type.
  virtual std::unique_ptr<SceneObject> copyNode() const;
  // The node's own part of the chain operations above; nothing for the base.
  virtual void attachNode(Scene&) {}
  virtual void setReceivesShadowsNode(bool) {}
  virtual void setSpareFlagNode(bool) {}
  virtual void setMaterialNode(Material*) {}
  virtual void setShadeModelNode(int32_t) {}
  // Copies the run-time state of loaded, a node of the same kind made by copyNode, into this one.
  virtual void restoreFrom(const SceneObject& loaded);

 private:
  // Calls visit on every object of the sibling chain starting here and on everything below them;
  // the stack grows with the nesting depth only.
  template <typename Visit>
  void forEachInChain(const Visit& visit);
  std::string _name;
  int32_t _id;
  SceneObject* _nextSibling = nullptr;
  SceneObject* _previousSibling = nullptr;
  Matrix4 _rotation;
  Vector3 _eulerAngles;  // degrees, as last given to setRotation
  Vector3 _position;
  Vector3 _scale{1.0f, 1.0f, 1.0f};
  Vector3 _spare{1.0f, 1.0f, 1.0f};  // from the scene file; not used for drawing
  Vector3 _offset;                   // added to the position when drawing and for the world position
  Vector3 _extraScale;               // geometry drawn under a further scale of (1 + extra)
  SceneObject* _firstChild = nullptr;
  int32_t _depth = 0;
  int32_t _sampleCount = 0;  // shared by the three tracks: the length of the last one set
  int32_t _step = 0;         // scene time units per frame; copied from the scene, not used
  std::shared_ptr<const std::vector<Vector3>> _positionTrack;
  std::shared_ptr<const std::vector<Quaternion>> _rotationTrack;
  std::shared_ptr<const std::vector<Vector3>> _scaleTrack;
  int32_t _animationKind = kAnimationNone;
  bool _visible = true;  // the object's own geometry; children are drawn regardless
  bool _mirrored = false;
  Vector3 _mirrorScale;
  bool _childrenInherit = false;  // false: children are drawn under the parent's parent transform
  std::vector<std::unique_ptr<SceneObject>> _ownedChildren;  // copies made by clone
  std::unique_ptr<const SceneObject> _loaded;                // the node as finished; not copied
};
