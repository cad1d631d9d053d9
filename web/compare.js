// The comparison with a second archive.
export function initCompare(env) {
  void env;
}
