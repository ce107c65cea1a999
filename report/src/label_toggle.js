// The "body names" checkbox of the report and the live page alike.
import { element } from './element.js';

export function labelToggle(parent, replay) {
  const label = element('label', '', parent);
  const box = element('input', '', label);
  box.type = 'checkbox';
  box.id = 'labels';
  box.checked = true;
  label.append(' body names');
  box.addEventListener('change', () => replay.showLabels(box.checked));
}
