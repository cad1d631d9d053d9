// The crafting plan's and the comparison's requests to the worker, merged
// into its table of handlers: planHandlers[op] = async (ctx, args) => result.
export const planHandlers = {};
