// A bank page's calls through velkor.js, from Node: connects to the agent on PORT with ORIGIN and
// prints each call's result as one JSON line. Usage:
//   node page_call.mjs <velkor.js> <web/node_modules> <port> <origin> 'Method' '["arg", ...]' ...
import { createRequire } from 'node:module';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [velkorJs, nodeModules, port, origin, ...calls] = process.argv.slice(2);
const WebSocket = createRequire(`${resolve(nodeModules)}/`)('ws');
const { Velkor } = await import(pathToFileURL(resolve(velkorJs)).href);

class PageSocket extends WebSocket {
  constructor(url) {
    super(url, { origin });
  }
}

const ctrl = await Velkor.connect({ port: Number(port), WebSocket: PageSocket });
for (let i = 0; i < calls.length; i += 2) {
  console.log(JSON.stringify(await ctrl[calls[i]](...JSON.parse(calls[i + 1] ?? '[]'))));
}
process.exit(0);
