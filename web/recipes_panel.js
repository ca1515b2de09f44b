// The Recipes panel: what the recipe book the game loaded makes, as the game lists it
// (`brambix --recipes` prints the same): each product once, how many one crafting makes,
// whether it needs a crafting table, and one layout of its ingredients, drawn with the
// items' own pictures from the game's files.

export function recipesPanel() {
  if (!window.Module || new URLSearchParams(location.search).has('replay')) return;
  const button = document.getElementById('recipes-button');
  const panel = document.getElementById('recipes-panel');
  const list = document.getElementById('recipes-list');
  const urls = new Map();  // a picture's path in the game's files: its blob URL, or null

  function picture(items, id) {
    const item = items[String(id)];
    const img = document.createElement('img');
    img.alt = img.title = item ? item.name : '';  // what a screen reader reads of the layout
    img.width = img.height = 32;
    if (item && item.picture) {
      if (!urls.has(item.picture)) {
        let url = null;
        try {
          url = URL.createObjectURL(new Blob([FS.readFile(item.picture)], {type: 'image/png'}));
        } catch (e) { /* not in the game's files: the name stands alone */ }
        urls.set(item.picture, url);
      }
      if (urls.get(item.picture)) img.src = urls.get(item.picture);
    }
    return img;
  }
  function show(told) {
    list.textContent = '';
    for (const r of told.recipes) {
      const li = document.createElement('li');
      const head = document.createElement('p');
      head.appendChild(picture(told.items, r.result));
      const words = document.createElement('span');
      words.className = 'recipe-name';
      words.textContent = r.name + ' ×' + r.amount + (r.needsTable ? ': needs a crafting table' : ': no crafting table needed');
      head.appendChild(words);
      li.appendChild(head);
      const grid = document.createElement('table');
      grid.className = 'recipe-grid';
      for (const row of r.rows) {
        const tr = grid.insertRow();
        for (const id of row) {
          const cell = tr.insertCell();
          if (id !== 0) cell.appendChild(picture(told.items, id));
        }
      }
      li.appendChild(grid);
      list.appendChild(li);
    }
  }
  document.getElementById('recipes-done').addEventListener('click', function () {
    panel.hidden = true;
    document.getElementById('canvas').focus();
  });
  button.addEventListener('click', function () { panel.hidden = !panel.hidden; });
  Module.showRecipes = function (json) {
    show(JSON.parse(json));
    button.hidden = false;  // placed left of Controls by the controls panel
  };
}
