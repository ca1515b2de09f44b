// The script at the end of the page's body: everything of the page but the downloads,
// which the head's script (head.js) began and hands over as `window.brambixLoading`.
// Each part checks the game's module that startGame makes; a replay's page has no run to
// keep, no controls, no recipes and no screen to keep awake.
import {controlsPanel} from './controls_panel.js';
import {keepRunInTab} from './kept_run.js';
import {keepScreenAwake} from './keys.js';
import {playReplay} from './replay.js';
import {recipesPanel} from './recipes_panel.js';
import {startGame} from './start.js';

const loading = window.brambixLoading;
startGame(loading);
playReplay(loading);
keepRunInTab();
controlsPanel();
recipesPanel();
keepScreenAwake();
