// The image each robot's camera last handed its program, drawn pixel for
// pixel and scaled up without smoothing: these cameras are a few pixels wide.
export class CameraViews {
  constructor() { this.canvases = new Map(); }

  show(images, sectionOf) {
    for (const [robot, cameras] of Object.entries(images || {})) {
      for (const [camera, { width, height, rgb }] of Object.entries(cameras)) {
        const key = `${robot}/${camera}`;
        let canvas = this.canvases.get(key);
        if (!canvas) {
          const section = sectionOf(robot);
          if (!section) continue;
          const box = document.createElement('figure');
          box.className = 'camera';
          canvas = document.createElement('canvas');
          canvas.dataset.camera = key;
          box.append(canvas, Object.assign(document.createElement('figcaption'), { textContent: `${camera}: last image fetched` }));
          section.appendChild(box);
          this.canvases.set(key, canvas);
        }
        canvas.width = width;
        canvas.height = height;
        const pixels = new ImageData(width, height);
        for (let i = 0, j = 0; j < pixels.data.length; i += 6, j += 4) {
          pixels.data[j] = parseInt(rgb.slice(i, i + 2), 16);
          pixels.data[j + 1] = parseInt(rgb.slice(i + 2, i + 4), 16);
          pixels.data[j + 2] = parseInt(rgb.slice(i + 4, i + 6), 16);
          pixels.data[j + 3] = 255;
        }
        canvas.getContext('2d').putImageData(pixels, 0, 0);
      }
    }
  }
}
