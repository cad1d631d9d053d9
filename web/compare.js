// "Compare with…": the open table (old) against a second archive (new), the
// report as the desktop's comparison window shows it: which tables, what
// the new one added (+), removed (-) and changed (~), and the totals line.
// Under an active find, only what it shows is compared, as the export
// writes only that. The report's text is --diff's (with --find); it
// downloads as text or as JSON.

import { button, element } from './dom.js';

const KINDS = { '+': 'added', '-': 'removed', '~': 'changed' };

// The report's lines, each in a span coloured by its kind; the text stays
// the report's, byte for byte.
function fillReport(pre, text) {
  pre.replaceChildren();
  const lines = text.split('\n');
  if (lines[lines.length - 1] === '') lines.pop();
  const last = lines.length - 1;
  lines.forEach((line, at) => {
    const kind = KINDS[line.trimStart().charAt(0)];
    const span = element('span', { textContent: line + '\n' });
    if (at === last) span.className = 'diff-totals';
    else if (kind && line.trimStart().charAt(1) === ' ') span.className = `diff-${kind}`;
    pre.append(span);
  });
}

export function initCompare(env) {
  const { call } = env;
  let report = null;  // { text, oldName, newName }

  const input = element('input', { type: 'file', id: 'compare-file', hidden: true });
  const start = button('Compare with\u2026', 'Compare the open table (old) with another ifd.mpk (new)', () => input.click());
  start.id = 'compare-with';
  env.toolbar.insertBefore(start, env.toolbar.querySelector('.checks'));
  env.toolbar.insertBefore(input, env.toolbar.querySelector('.checks'));

  const sides = element('p', { className: 'diff-sides' });
  sides.setAttribute('aria-label', 'Compared tables');
  const pre = element('pre', { id: 'comparison-report', className: 'diff-report', tabIndex: 0 });
  pre.setAttribute('aria-label', 'Differences');
  const summary = element('p', { className: 'diff-summary', id: 'comparison-summary' });
  const close = button('Close', 'Close the comparison', () => {
    panel.hidden = true;
    start.focus();
  });
  const panel = element('section', { id: 'comparison', className: 'panel comparison', hidden: true },
    element('h2', { textContent: 'Compare recipe tables' }), sides, pre, summary,
    element('div', { className: 'plan-buttons' },
      button('Copy', 'Put the text report on the clipboard', copy),
      button('Save as text', 'Download the report as comparison.txt, as --diff writes it', () => {
        if (report) env.download('comparison.txt', [report.text], 'text/plain');
      }),
      button('Save as JSON', 'Download the report as comparison.json', saveJson),
      close));
  panel.setAttribute('aria-label', 'Comparison');
  panel.addEventListener('keydown', event => {
    if (event.key === 'Escape') close.click();
  });
  env.main.append(panel);

  // The report, or the line saying there is none, as the desktop copies it.
  async function copy() {
    const text = report && report.text ? report.text : summary.textContent;
    try {
      await navigator.clipboard.writeText(text);
    } catch {
      const range = document.createRange();
      range.selectNodeContents(report && report.text ? pre : summary);
      getSelection().removeAllRanges();
      getSelection().addRange(range);
      document.execCommand('copy');
      getSelection().removeAllRanges();
    }
  }

  async function saveJson() {
    if (!report) return;
    try {
      env.download('comparison.json', [await call('compareJson')], 'application/json');
    } catch (error) {
      env.showMessage(error.message);
    }
  }

  input.addEventListener('change', async () => {
    const file = input.files[0];
    input.value = '';
    if (!file) return;
    start.setAttribute('aria-busy', 'true');
    start.disabled = true;
    try {
      const result = await call('compare', { name: file.name, file });
      report = { text: result.text, oldName: result.oldName, newName: result.newName };
      env.showMessage(result.messages);
      sides.textContent = `Old: ${report.oldName}\nNew: ${report.newName}` + (result.find ? `\nFind: ${result.find}` : '');
      fillReport(pre, report.text);
      pre.hidden = report.text === '';
      summary.textContent = report.text === '' ? 'The tables show no difference.' : '';
      summary.hidden = report.text !== '';
      panel.hidden = false;
      env.main.scrollTop = 0;
      (report.text ? pre : close).focus({ preventScroll: true });
    } catch (error) {
      env.showMessage(error.message);
    } finally {
      start.removeAttribute('aria-busy');
      start.disabled = false;
    }
  });
}
