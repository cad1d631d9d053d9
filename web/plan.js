// The crafting plan's panel.
export function initPlan(env) {
  void env;
}
