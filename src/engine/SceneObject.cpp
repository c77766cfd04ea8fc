#include "SceneObject.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace {

// Children that inherit keep their parent's matrix pushed while they draw. GL guarantees a
// modelview stack of 32; deeper inheriting chains draw their children as if not inheriting
// rather than overflow it.
constexpr int kMaxInheritDepth = 24;
int gInheritDepth = 0;

constexpr float kDegreesToRadians = 0.0055555557f * 3.14159265358979f;

// The sample index to read from a track of length: frame clamped to the last sample.
int32_t clampedFrame(int frame, size_t length) {
  const int64_t last = int64_t(length) - 1;
  return int32_t(std::max<int64_t>(0, std::min<int64_t>(frame, last)));
}

// The track (not empty) at frame: its key there, blended by fraction towards the next one unless
// the frame is the last or the track has no next key.
template <typename T, typename Blend>
T sampleTrack(const std::vector<T>& track, int frame, float fraction, bool last, Blend blend) {
  const int32_t k = clampedFrame(frame, track.size());
  if (last || k + 1 >= int32_t(track.size())) return track[k];
  return blend(track[k], track[k + 1], fraction);
}

Vector3 lerpKeys(const Vector3& a, const Vector3& b, float t) { return lerp(a, b, t); }
Quaternion slerpKeys(const Quaternion& a, const Quaternion& b, float t) { return slerp(a, b, t, 0); }

}  // namespace

SceneObject::SceneObject(int32_t id, const std::string& name) : _name(name), _id(id) {}

SceneObject::~SceneObject() = default;

SceneObject::SceneObject(const SceneObject& s)
    : _name(s._name),
      _id(s._id),
      _rotation(s._rotation),
      _eulerAngles(s._eulerAngles),
      _position(s._position),
      _scale(s._scale),
      _spare(s._spare),
      _offset(s._offset),
      _extraScale(s._extraScale),
      _sampleCount(s._sampleCount),
      _step(s._step),
      _positionTrack(s._positionTrack),
      _rotationTrack(s._rotationTrack),
      _scaleTrack(s._scaleTrack),
      _animationKind(s._animationKind),
      _visible(s._visible),
      _mirrored(s._mirrored),
      _mirrorScale(s._mirrorScale),
      _childrenInherit(s._childrenInherit) {}

std::unique_ptr<SceneObject> SceneObject::copyNode() const {
  return std::unique_ptr<SceneObject>(new SceneObject(*this));
}

std::unique_ptr<SceneObject> SceneObject::clone() const {
  std::unique_ptr<SceneObject> copy = copyNode();
  for (const SceneObject* child = _firstChild; child; child = child->_nextSibling) {
    std::unique_ptr<SceneObject> childCopy = child->clone();
    copy->appendChild(childCopy.get());
    copy->_ownedChildren.push_back(std::move(childCopy));
  }
  return copy;
}

void SceneObject::recordLoadedState() { _loaded = copyNode(); }

void SceneObject::restoreLoadedState() {
  if (_loaded) restoreFrom(*_loaded);
}

void SceneObject::restoreFrom(const SceneObject& s) {
  _rotation = s._rotation;
  _eulerAngles = s._eulerAngles;
  _position = s._position;
  _scale = s._scale;
  _spare = s._spare;
  _offset = s._offset;
  _extraScale = s._extraScale;
  _visible = s._visible;
  _mirrored = s._mirrored;
  _mirrorScale = s._mirrorScale;
  _childrenInherit = s._childrenInherit;
}

void SceneObject::animate(int frame, float fraction) {
  if (_animationKind != kAnimationSampled || _sampleCount <= 0) return;
  // The shared count is the length of the last track set; each track is also clamped to its own
  // length so tracks of different lengths are never read past their end.
  if (frame >= _sampleCount) frame = _sampleCount - 1;
  if (frame < 0) frame = 0;
  const bool last = frame == _sampleCount - 1;
  if (_positionTrack && !_positionTrack->empty())
    _position = sampleTrack(*_positionTrack, frame, fraction, last, lerpKeys);
  if (_rotationTrack && !_rotationTrack->empty())
    _rotation = sampleTrack(*_rotationTrack, frame, fraction, last, slerpKeys).toMatrix();
  if (_scaleTrack && !_scaleTrack->empty()) _scale = sampleTrack(*_scaleTrack, frame, fraction, last, lerpKeys);
}

// Siblings are walked in a loop; only children recurse, so the stack grows with the nesting depth.
void SceneObject::draw() {
  for (SceneObject* o = this; o; o = o->_nextSibling) o->drawNode();
}

void SceneObject::drawNode() {
  const bool inherit = _childrenInherit && gInheritDepth < kMaxInheritDepth;
  if (inherit) ++gInheritDepth;
  if (_mirrored) {
    glPushMatrix();
    glScalef(_mirrorScale.x, _mirrorScale.y, _mirrorScale.z);
    glTranslatef(_position.x, _position.y, _position.z);
    glMultMatrixf(_rotation.data());
    if (_visible) drawGeometry();
    if (inherit) {
      if (_firstChild) _firstChild->draw();
      glPopMatrix();
    } else {
      glPopMatrix();
      if (_firstChild) _firstChild->draw();
    }
  }
  glPushMatrix();
  glTranslatef(_position.x + _offset.x, _position.y + _offset.y, _position.z + _offset.z);
  glMultMatrixf(_rotation.data());
  glScalef(_scale.x, _scale.y, _scale.z);
  glPushMatrix();
  glScalef(1.0f + _extraScale.x, 1.0f + _extraScale.y, 1.0f + _extraScale.z);
  if (_visible) drawGeometry();
  glPopMatrix();
  if (inherit) {
    if (_firstChild) _firstChild->draw();
    glPopMatrix();
  } else {
    glPopMatrix();
    if (_firstChild) _firstChild->draw();
  }
  if (inherit) --gInheritDepth;
}

void SceneObject::drawDepthChain() {
  for (SceneObject* o = this; o; o = o->_nextSibling) {
    glPushMatrix();
    glTranslatef(o->_position.x, o->_position.y, o->_position.z);
    glMultMatrixf(o->_rotation.data());
    glScalef(o->_scale.x, o->_scale.y, o->_scale.z);
    if (o->_visible) o->drawDepthOnly();
    const bool inherit = o->_childrenInherit && gInheritDepth < kMaxInheritDepth;
    if (inherit) {
      ++gInheritDepth;
      if (o->_firstChild) o->_firstChild->drawDepthChain();
      --gInheritDepth;
      glPopMatrix();
    } else {
      glPopMatrix();
      if (o->_firstChild) o->_firstChild->drawDepthChain();
    }
  }
}

// The chain operations walk siblings in a loop and recurse only into children, so the stack
// grows with the nesting depth (bounded by the scene) and not with the number of siblings.
template <typename Visit>
void SceneObject::forEachInChain(const Visit& visit) {
  for (SceneObject* o = this; o; o = o->_nextSibling) {
    visit(*o);
    if (o->_firstChild) o->_firstChild->forEachInChain(visit);
  }
}

void SceneObject::attachToScene(Scene& scene) {
  forEachInChain([&scene](SceneObject& o) { o.attachNode(scene); });
}

void SceneObject::setReceivesShadows(bool receives) {
  forEachInChain([receives](SceneObject& o) { o.setReceivesShadowsNode(receives); });
}

void SceneObject::setSpareFlag(bool flag) {
  forEachInChain([flag](SceneObject& o) { o.setSpareFlagNode(flag); });
}

void SceneObject::setMaterial(Material* material) {
  forEachInChain([material](SceneObject& o) { o.setMaterialNode(material); });
}

void SceneObject::setShadeModel(int32_t model) {
  forEachInChain([model](SceneObject& o) { o.setShadeModelNode(model); });
}

void SceneObject::setRotation(float xDegrees, float yDegrees, float zDegrees) {
  _eulerAngles = Vector3(xDegrees, yDegrees, zDegrees);
  _rotation =
      Matrix4::fromEuler(xDegrees * kDegreesToRadians, yDegrees * kDegreesToRadians, zDegrees * kDegreesToRadians);
}

void SceneObject::setPositionTrack(std::shared_ptr<const std::vector<Vector3>> track) {
  _sampleCount = track ? int32_t(track->size()) : 0;
  _positionTrack = std::move(track);
  _animationKind = kAnimationSampled;
}

void SceneObject::setRotationTrack(std::shared_ptr<const std::vector<Quaternion>> track) {
  _sampleCount = track ? int32_t(track->size()) : 0;
  _rotationTrack = std::move(track);
  _animationKind = kAnimationSampled;
}

void SceneObject::setScaleTrack(std::shared_ptr<const std::vector<Vector3>> track) {
  _sampleCount = track ? int32_t(track->size()) : 0;
  _scaleTrack = std::move(track);
  _animationKind = kAnimationSampled;
}

void SceneObject::appendChild(SceneObject* child) {
  child->_depth = _depth + 1;
  if (!_firstChild) {
    _firstChild = child;
    child->_previousSibling = nullptr;
    child->_nextSibling = nullptr;
    return;
  }
  _firstChild->appendSibling(child);
}

void SceneObject::appendSibling(SceneObject* object) {
  SceneObject* last = this;
  while (last->_nextSibling) last = last->_nextSibling;
  last->_nextSibling = object;
  object->_previousSibling = last;
  object->_nextSibling = nullptr;
}
