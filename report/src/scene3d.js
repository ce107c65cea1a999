// The 3D replay: the scene's geoms as three.js meshes, each body placed at
// its recorded pose for the current time. MuJoCo sizes are half-sizes and
// radii, its quaternions (w, x, y, z); the world is y-up as in three.js.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { CSS2DRenderer, CSS2DObject } from 'three/addons/renderers/CSS2DRenderer.js';
import { poseAt } from './poses.js';

const PLANE_EXTENT = 50; // a plane of size 0 is infinite in MuJoCo: draw it large

function geometryFor(geom) {
  const [a, b, c] = geom.size;
  switch (geom.type) {
    case 'plane': {
      const g = new THREE.PlaneGeometry(2 * (a || PLANE_EXTENT), 2 * (b || PLANE_EXTENT));
      return g; // both lie in their local xy plane with +z as normal
    }
    case 'box': return new THREE.BoxGeometry(2 * a, 2 * b, 2 * c);
    case 'sphere': return new THREE.SphereGeometry(a, 24, 16);
    case 'ellipsoid': return new THREE.SphereGeometry(1, 24, 16).scale(a, b, c);
    // three.js builds these along y; MuJoCo's axis is the local z.
    case 'cylinder': return new THREE.CylinderGeometry(a, a, 2 * b, 24).rotateX(Math.PI / 2);
    case 'capsule': return new THREE.CapsuleGeometry(a, 2 * b, 8, 16).rotateX(Math.PI / 2);
    default: return null; // meshes and others are not in the recording's geometry
  }
}

function materialFor(geom) {
  const [r, g, b, alpha] = geom.rgba;
  return new THREE.MeshLambertMaterial({
    color: new THREE.Color(r, g, b),
    transparent: alpha < 1,
    opacity: alpha,
    side: geom.type === 'plane' ? THREE.DoubleSide : THREE.FrontSide,
  });
}

export function setQuat(object, [w, x, y, z]) {
  object.quaternion.set(x, y, z, w);
}

function bodyGroup(body) {
  const group = new THREE.Group();
  group.name = body.name;
  let skipped = 0;
  for (const geom of body.geoms) {
    const geometry = geometryFor(geom);
    if (!geometry) { skipped++; continue; }
    if (geom.rgba[3] === 0) continue; // invisible helpers
    const mesh = new THREE.Mesh(geometry, materialFor(geom));
    mesh.position.set(...geom.pos);
    setQuat(mesh, geom.quat);
    group.add(mesh);
  }
  return { group, skipped };
}

// The body's name just above its drawn shape, riding along with the body.
// Called before any pose is set, so the box is in the body's own frame.
function addLabel(group) {
  if (group.name === 'world' || group.children.length === 0) return null;
  const box = new THREE.Box3().setFromObject(group);
  const div = document.createElement('div');
  div.className = 'body-label';
  div.textContent = group.name;
  const label = new CSS2DObject(div);
  label.position.set((box.min.x + box.max.x) / 2, box.max.y + 0.05, (box.min.z + box.max.z) / 2);
  group.add(label);
  return label;
}

export class Replay {
  constructor(container, scene, poses) {
    this.poses = poses;
    this.renderer = new THREE.WebGLRenderer({ antialias: false });
    this.renderer.setPixelRatio(window.devicePixelRatio || 1);
    container.appendChild(this.renderer.domElement);
    this.labelRenderer = new CSS2DRenderer();
    this.labelRenderer.domElement.className = 'body-labels';
    container.appendChild(this.labelRenderer.domElement);
    this.scene = new THREE.Scene();
    this.scene.background = new THREE.Color(0xdde4ec);
    this.scene.add(new THREE.HemisphereLight(0xffffff, 0x667788, 1.6));
    const sun = new THREE.DirectionalLight(0xffffff, 1.6);
    sun.position.set(5, 12, 7);
    this.scene.add(sun);

    this.bodies = new Map();
    this.skippedGeoms = 0;
    for (const body of scene.bodies) {
      const { group, skipped } = bodyGroup(body);
      this.skippedGeoms += skipped;
      this.bodies.set(body.name, group);
      this.scene.add(group);
      addLabel(group);
    }
    this.camera = new THREE.PerspectiveCamera(50, 1, 0.02, 500);
    this.controls = new OrbitControls(this.camera, this.renderer.domElement);
    this.controls.addEventListener('change', () => this.render());
    this.follow = null;
    this.lastFollowed = null;
    this.setTime(0);
    this.frameAll();
    new ResizeObserver(() => this.resize(container)).observe(container);
    this.resize(container);
  }

  // Looks at everything but the infinite planes, from above and to the side.
  frameAll() {
    const box = new THREE.Box3();
    this.scene.traverse((o) => {
      if (o.isMesh && o.geometry.type !== 'PlaneGeometry') box.expandByObject(o);
    });
    if (box.isEmpty()) box.set(new THREE.Vector3(-1, 0, -1), new THREE.Vector3(1, 1, 1));
    const centre = box.getCenter(new THREE.Vector3());
    const radius = Math.max(box.getSize(new THREE.Vector3()).length() / 2, 0.5);
    this.controls.target.copy(centre);
    this.camera.position.copy(centre).add(new THREE.Vector3(0.6, 0.9, 1.0).normalize().multiplyScalar(radius * 2.2));
    this.controls.update();
  }

  resize(container) {
    const w = Math.max(container.clientWidth, 1);
    const h = Math.max(container.clientHeight, 1);
    this.renderer.setSize(w, h, false);
    this.camera.aspect = w / h;
    this.camera.updateProjectionMatrix();
    this.labelRenderer.setSize(w, h);
    this.render();
  }

  // Body names over the scene, on or off.
  showLabels(on) {
    this.labelRenderer.domElement.hidden = !on;
    this.render();
  }

  // body name, or null for the free orbit camera
  setFollow(name) {
    this.follow = name && this.bodies.has(name) ? name : null;
    this.lastFollowed = null;
    this.setTime(this.time);
  }

  setTime(t) {
    this.time = t;
    for (const [name, track] of Object.entries(this.poses)) {
      const group = this.bodies.get(name);
      if (!group) continue;
      const p = poseAt(track, t);
      group.position.set(p[0], p[1], p[2]);
      setQuat(group, p.slice(3, 7));
    }
    if (this.follow) this.followBody();
    this.render();
  }

  // Keeps the camera's offset from the followed body, so orbiting still works.
  followBody() {
    const position = this.bodies.get(this.follow).position;
    if (this.lastFollowed) {
      const delta = position.clone().sub(this.lastFollowed);
      this.camera.position.add(delta);
      this.controls.target.add(delta);
    } else {
      const offset = this.camera.position.clone().sub(this.controls.target);
      offset.setLength(Math.min(offset.length(), 4));
      this.controls.target.copy(position);
      this.camera.position.copy(position).add(offset);
    }
    this.lastFollowed = position.clone();
    this.controls.update();
  }

  bodyPosition(name) {
    const group = this.bodies.get(name);
    return group ? group.position.toArray() : null;
  }

  // World-space boxes of a body's meshes, for the top views.
  footprints(name) {
    const group = this.bodies.get(name);
    if (!group) return [];
    group.updateMatrixWorld(true);
    return group.children.filter((o) => o.isMesh).map((mesh) => ({
      box: new THREE.Box3().setFromObject(mesh),
      colour: '#' + mesh.material.color.getHexString(),
      plane: mesh.geometry.type === 'PlaneGeometry',
    }));
  }

  render() {
    this.renderer.render(this.scene, this.camera);
    if (!this.labelRenderer.domElement.hidden) this.labelRenderer.render(this.scene, this.camera);
  }

  // For the browser test: share of canvas pixels that differ from the
  // background, read straight after a render so no buffer needs keeping.
  canvasStats() {
    this.render();
    const gl = this.renderer.getContext();
    const w = gl.drawingBufferWidth, h = gl.drawingBufferHeight;
    const pixels = new Uint8Array(w * h * 4);
    gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    const hex = this.scene.background.getHex(); // sRGB, as drawn
    const ref = [(hex >> 16) & 255, (hex >> 8) & 255, hex & 255];
    let differ = 0;
    for (let i = 0; i < pixels.length; i += 4) {
      const d = Math.abs(pixels[i] - ref[0]) + Math.abs(pixels[i + 1] - ref[1]) + Math.abs(pixels[i + 2] - ref[2]);
      if (d > 12) differ++;
    }
    return { width: w, height: h, nonBackground: differ / (w * h) };
  }
}
